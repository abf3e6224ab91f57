// Where the Linux controller keeps what Windows keeps in the registry, the
// kernel's named objects and the program folder.
#pragma once
#include <cstdint>
#include <string>

// $XDG_CONFIG_HOME (or ~/.config) + "/" + the key with "/" for "\":
// "Software\Bumblepad" -> ~/.config/Software/Bumblepad.
std::string SettingsKeyFolder(const char* subKey);

// The folder for the lock files: $XDG_RUNTIME_DIR, or else
// ${TMPDIR:-/tmp}/bumblepad-<uid>, made with mode 0700. That fallback lies in
// a place every user can write to, so it is used only when it is a real
// folder (not a link) of this user that nobody else may enter; otherwise the
// answer is empty and problem (when given) says what is wrong with it.
std::string RuntimeFolder(std::string* problem = nullptr);

// RuntimeFolder() + "/" + name + ".lock"; empty when there is no safe folder.
std::string MutexPath(const char* name, std::string* problem = nullptr);

// $XDG_STATE_HOME (or ~/.local/state) + "/Bumblepad", made with mode 0700:
// records that must outlive a log-out (the runtime folder does not).
std::string StateFolder();

// A Windows program name as the Linux file: ".\Trovebox.exe" -> "./Trovebox"
// (or, when the working folder has no such program, the one beside the
// running program); a bare "Bumblepad.exe" -> the file beside the running
// program.
std::string ProgramPathFor(const char* commandLine);
std::string LinuxFileName(const char* path);

// Writes data to folder/name through a temporary file in the same folder,
// flushed to disk and renamed over the old file; the new file gets mode (or,
// when it is -1, 0600).
bool WriteFileAtomically(const std::string& folder, const char* name, const void* data, uint32_t size, int mode = -1);
