// Wave files played through the sound server (PulseAudio, or PipeWire's
// PulseAudio service): asynchronously, one at a time, each played whole
// unless a new sound or Stop replaces it. Used by the controller and the
// media manager on Linux.
#pragma once
#include <functional>
#include <string>

namespace sound {

// Starts playing the wave file at path in the background and returns at
// once; the sound playing is replaced. A file that cannot be played stops
// the sound playing and stays silent.
void Play(const std::string& path);

// Stops the sound playing.
void Stop();

// Stops the sound playing and drops the decoded sounds kept for playing
// them again (up to 32 MB), handing their memory back to the system: the
// controller's end of a lock.
void StopAndForget();

// Called once, on a background thread, when the first sound finds no audio
// device (the log line "No audio device: sounds are not played" is written
// then too).
void OnNoDevice(std::function<void()> tell);

// For tests and measurements: blocks until the requests made so far have
// been handed to the sound server.
void WaitUntilIdle();

}  // namespace sound
