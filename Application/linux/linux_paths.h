// Where the Linux controller keeps what Windows keeps in the registry, the
// kernel's named objects and the program folder.
#pragma once
#include <cstdint>
#include <string>

// $XDG_CONFIG_HOME (or ~/.config) + "/" + the key with "/" for "\":
// "Software\Bumblepad" -> ~/.config/Software/Bumblepad.
std::string SettingsKeyFolder(const char* subKey);

// $XDG_RUNTIME_DIR (or /tmp/bumblepad-<uid>) + "/" + name + ".lock".
std::string MutexPath(const char* name);

// A Windows program name as the Linux file: ".\Trovebox.exe" -> "./Trovebox"
// (or, when the working folder has no such program, the one beside the
// running program); a bare "Bumblepad.exe" -> the file beside the running
// program.
std::string ProgramPathFor(const char* commandLine);
std::string LinuxFileName(const char* path);

// Writes data to folder/name through a temporary file in the same folder,
// flushed to disk and renamed over the old file.
bool WriteFileAtomically(const std::string& folder, const char* name, const void* data, uint32_t size);
