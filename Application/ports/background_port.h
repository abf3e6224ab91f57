// Work off the window's thread: decoding a picture file must never hold up
// the reports that carry the unlock word.
#pragma once

// Runs task(argument) on a thread of its own (CreateThread) and returns at
// once. The task hands its result back by posting a message to the window.
// False when no thread can be had: the task is not run (never on the
// caller's thread, which must not be held up).
bool RunInBackground(void (*task)(void*), void* argument);

// Gives memory the process no longer uses back to the system (after a lock).
void ReturnFreeMemory();
