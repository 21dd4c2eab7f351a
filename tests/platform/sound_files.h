// Small sound files built in memory for the sound tests: WAV headers, MIDI files, OGG files from sox,
// and damaged copies of them.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace tavrik::test {

inline std::string le32(std::uint32_t v) {
  return {static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
          static_cast<char>(v >> 24)};
}
inline std::string le16(std::uint16_t v) {
  return {static_cast<char>(v), static_cast<char>(v >> 8)};
}
inline std::string be32(std::uint32_t v) {
  return {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8),
          static_cast<char>(v)};
}
inline std::string be16(std::uint16_t v) {
  return {static_cast<char>(v >> 8), static_cast<char>(v)};
}

// A 16-bit PCM WAV header; dataBytes is what it declares, whatever follows.
inline std::string wavHeader(int channels, int rate, std::uint32_t dataBytes) {
  const auto blockAlign = static_cast<std::uint16_t>(channels * 2);
  return "RIFF" + le32(36 + dataBytes) + "WAVEfmt " + le32(16) + le16(1) +
         le16(static_cast<std::uint16_t>(channels)) + le32(static_cast<std::uint32_t>(rate)) +
         le32(static_cast<std::uint32_t>(rate) * blockAlign) + le16(blockAlign) + le16(16) + "data" +
         le32(dataBytes);
}

// frames of a constant level on every channel.
inline std::string constantSamples(int frames, int channels, std::int16_t level) {
  std::string data;
  for (int i = 0; i < frames * channels; ++i) data += le16(static_cast<std::uint16_t>(level));
  return data;
}

inline std::string midiTrack(const std::string& events) {
  return "MTrk" + be32(static_cast<std::uint32_t>(events.size())) + events;
}

inline std::string midiFile(std::uint16_t format, std::uint16_t division,
                            const std::vector<std::string>& tracks) {
  std::string file =
      "MThd" + be32(6) + be16(format) + be16(static_cast<std::uint16_t>(tracks.size())) + be16(division);
  for (const std::string& t : tracks) file += midiTrack(t);
  return file;
}

// A variable-length quantity.
inline std::string vlq(std::uint32_t v) {
  std::string out(1, static_cast<char>(v & 0x7F));
  while (v >>= 7) out.insert(out.begin(), static_cast<char>(0x80 | (v & 0x7F)));
  return out;
}

// A piano tune of seconds length at 120 beats a minute: a note on every beat, held for half of it.
inline std::string midiTune(int seconds) {
  std::string events = std::string("\x00\xC0\x00", 3);
  for (int beat = 0; beat < seconds * 2; ++beat) {
    const char key = static_cast<char>(60 + beat % 12);
    events += vlq(beat == 0 ? 0 : 48) + "\x90" + key + "\x60";
    events += vlq(48) + "\x80" + key + std::string(1, '\0');
  }
  events += std::string("\x00\xFF\x2F\x00", 4);
  return midiFile(0, 96, {events});
}

// 44 bytes: the slowest tempo there is, a tick a quarter note, and a note held for 2^28 - 1 of them
// (some 140 years).
inline std::string slowestMidi() {
  const std::string events =
      std::string("\x00\xFF\x51\x03\xFF\xFF\xFF", 7) + std::string("\x00\x90\x3C\x64", 4) +
      std::string("\xFF\xFF\xFF\x7F\x80\x3C\x00", 7) + std::string("\x00\xFF\x2F\x00", 4);
  return midiFile(0, 1, {events});
}

// Copies of bytes, each with a few bits flipped past the first header bytes; the same copies every run.
inline std::vector<std::string> bitFlipped(const std::string& bytes, int copies, std::size_t keep = 8) {
  std::mt19937 random(12345);
  std::vector<std::string> out;
  for (int i = 0; i < copies; ++i) {
    std::string copy = bytes;
    for (int flips = 0; flips < 1 + i % 4; ++flips) {
      const std::size_t at = keep + random() % (copy.size() - keep);
      copy[at] = static_cast<char>(copy[at] ^ (1 << (random() % 8)));
    }
    out.push_back(copy);
  }
  return out;
}

// An OGG Vorbis file made by sox into file, or false when sox cannot make it.
inline bool soxOgg(const std::filesystem::path& file, int seconds, int rate, int channels) {
  const std::string command = "sox -q -n -r " + std::to_string(rate) + " -c " + std::to_string(channels) +
                              " -C -1 '" + file.string() + "' synth " + std::to_string(seconds) +
                              " sine 440 vol 0.3 2>/dev/null";
  return std::system(command.c_str()) == 0 && std::filesystem::exists(file);
}

}  // namespace tavrik::test
