// The settings store: one key under HKEY_LOCAL_MACHINE holding raw binary
// values (the registry on Windows; a folder of value files on Linux).
#pragma once
#include <cstdint>

typedef void* RegistryKey;  // null when the key could not be opened

// What the key is opened for. The key grants its users exactly these two
// rights, so each use asks for its own and nothing more (asking for full
// access, KEY_ALL_ACCESS, would fail against that key).
enum class KeyAccess {
    Query,     // KEY_QUERY_VALUE: read values
    SetValue,  // KEY_SET_VALUE: write and delete values
    Both,      // both of them
};

// RegOpenKeyExA(HKEY_LOCAL_MACHINE, subKey, 0, the access asked for).
RegistryKey OpenMachineKey(const char* subKey, KeyAccess access);

// RegQueryValueExA(key, name, no type asked, data, &size). size is the buffer
// size in and the stored size out. Fails when the value is missing or longer
// than the buffer; a shorter value fills only the leading bytes.
bool QueryBinaryValue(RegistryKey key, const char* name, void* data, uint32_t& size);

// RegSetValueExA(key, name, 0, REG_BINARY, data, size). A failed write leaves
// the stored value as it was.
bool SetBinaryValue(RegistryKey key, const char* name, const void* data, uint32_t size);

// RegCloseKey.
void CloseKey(RegistryKey key);
