// The demo's music: a synthesised arrangement of "Jingle Bells" (chorus), about
// 24 s of 44.1 kHz stereo encoded as MP3 with LAME, with accents on the picture cuts.
#pragma once

#include <string>
#include <vector>

// Renders the arrangement: interleaved stereo floats at 44100 Hz, peak-limited.
std::vector<float> renderMusic();
// Renders and encodes; prints a line naming the file on failure.
bool writeMusic(const std::string& path);
