#pragma once

#include <string>

namespace assetgen {

// A bell-like chime: two partials with an exponential decay (mono, 16-bit, 22050 Hz WAV).
std::string chimeWav(double frequency, double seconds);
// A short soft footstep-like knock for the moving sound effect.
std::string knockWav();
// A light eight-bar tune in C major that loops, about fifteen seconds: piano melody, strings, bass
// (standard MIDI file).
std::string tuneMidi();

}  // namespace assetgen
