// Starting programs and looking for files.
#pragma once

// CreateProcessA(no application name, commandLine, no inherited handles,
// NORMAL_PRIORITY_CLASS, inherited environment, workingDirectory, default
// start-up information), then both returned handles closed. workingDirectory
// null: the caller's. The result is not reported.
void StartProgram(const char* commandLine, const char* workingDirectory);

// The file exists (the media manager is started only when it does).
bool FileExists(const char* path);
