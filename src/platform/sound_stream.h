// A sound file decoded a little at a time, as it plays: whatever the sound's length, a stream holds a
// small buffer of fixed size (and a MIDI tune its bounded event list).
#pragma once

#include <cstddef>
#include <filesystem>
#include <memory>

namespace tavrik {

class SoundStream {
 public:
  // Every stream gives 44.1 kHz stereo frames of 32-bit floats, interleaved, full scale at 1.
  static constexpr int kRate = 44100;

  virtual ~SoundStream() = default;
  // Decodes up to frames frames into out (2 x frames floats); fewer only at the end of the sound (or
  // where a damaged file can be read no further), none after it.
  virtual std::size_t read(float* out, std::size_t frames) = 0;
  // Back to the start; false when the sound cannot go back (it then stays at its end).
  virtual bool rewind() = 0;
  // The bytes the stream keeps for decoding: its buffers, and a tune's events.
  virtual std::size_t bufferBytes() const = 0;
};

// Sampled sound files (WAV, OGG Vorbis, Opus, FLAC, AIFF, VOC, MP3 among them) by their content, and
// MIDI files through the sound font. Nothing when the file cannot be read or is no sound the player
// knows; opening reads a sampled file's header, or a MIDI file whole.
std::unique_ptr<SoundStream> openSoundStream(const std::filesystem::path& file);

}  // namespace tavrik
