#pragma once

// The show's sound: the audio device (or SDL's silent driver when there is
// none, which keeps real-time pace) and its one music track.

#include <SDL_mixer.h>

#include <string>
#include <vector>

// Frames the device takes at a time.
constexpr int kAudioChunkFrames = 2048;

// Opens the audio device; on failure says so and falls back to silence.
void openAudioOrSilence();

// Opens SDL's silent driver only: for reading the track without playing it.
bool openSilentAudio();

// Loads the track; on failure prints one line naming the file and returns null.
Mix_Music* loadMusic(const std::string& path);

// Silence of the given length as a music track, for a show without music:
// the show's clock then runs on the device as it does with music. The track
// plays from `storage`, which must outlive it.
Mix_Music* silentMusic(double seconds, std::vector<unsigned char>& storage);

// The track's length as it decodes, sample for sample, in seconds; 0 after
// one line naming the file when it cannot be decoded. Slower than the music's
// own estimate (Mix_MusicDuration), which can be frames off: it reads the
// whole track. Needs an open audio device.
double decodedLength(const std::string& path);
