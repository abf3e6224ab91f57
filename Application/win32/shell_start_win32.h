// Starting a program as the user of the desktop rather than as this process.
#pragma once

// Whether this process runs with an elevated token (an administrator's full
// rights under UAC). False where the system has no such notion.
bool RunsElevated();

// Starts file (a full path) in directory through the desktop's shell: the
// program runs as the shell's user with the shell's token, not elevated,
// whatever this process is. False when no shell could be reached (none runs
// in this session); nothing was started then.
bool StartThroughDesktopShell(const char* file, const char* directory);
