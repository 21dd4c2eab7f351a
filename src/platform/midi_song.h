// A standard MIDI file read into one list of channel messages, each timed in output samples, ready to be
// played a block at a time by a synthesiser. Reading is bounded: a file's size, the number of events
// kept and the length of the tune all have limits, so a damaged or hostile file costs little.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace tavrik {

struct MidiEvent {
  std::uint32_t sample;  // from the start of the tune
  std::uint8_t status;   // a channel message: 0x80 to 0xEF
  std::uint8_t data1;
  std::uint8_t data2;
};

struct MidiSong {
  std::vector<MidiEvent> events;  // in the order they sound
  std::uint32_t endSample = 0;    // the tune's length: its last event or its tracks' end, if later
};

// MIDI files larger than this are not read (a long tune is a few hundred kilobytes).
inline constexpr std::size_t kMaxMidiFileSize = 8u * 1024 * 1024;
// Events beyond this many are dropped.
inline constexpr std::size_t kMaxMidiEvents = 500'000;
// A tune ends here at the latest, however slow its tempo or long its pauses (at 44.1 kHz).
inline constexpr double kMaxMidiSeconds = 12.0 * 60 * 60;

// Nothing when the bytes are not a MIDI file (no header, a header too short, a zero time division).
// A damaged track is read up to the damage.
std::optional<MidiSong> readMidiSong(std::span<const std::uint8_t> bytes, int sampleRate);

}  // namespace tavrik
