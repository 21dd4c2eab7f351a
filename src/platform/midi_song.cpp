#include "platform/midi_song.h"

#include <algorithm>
#include <cmath>

namespace tavrik {

namespace {

// An event of a track before the tracks are merged and timed.
struct TrackEvent {
  std::uint64_t tick;
  std::uint32_t value;  // a tempo (microseconds a quarter note), or the channel message's data bytes
  std::uint8_t status;  // a channel message, or one of the two below
};
constexpr std::uint8_t kTempo = 0x51;
constexpr std::uint8_t kTrackEnd = 0x2F;
// No tune counts this many ticks; a track that gets there is read no further.
constexpr std::uint64_t kMaxTick = std::uint64_t{1} << 48;

class Reader {
 public:
  Reader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  bool atEnd() const { return pos_ >= size_; }
  bool byte(std::uint8_t& out) {
    if (pos_ >= size_) return false;
    out = data_[pos_++];
    return true;
  }
  bool peek(std::uint8_t& out) const {
    if (pos_ >= size_) return false;
    out = data_[pos_];
    return true;
  }
  // A variable-length quantity: at most four bytes of seven bits.
  bool quantity(std::uint32_t& out) {
    out = 0;
    for (int i = 0; i < 4; ++i) {
      std::uint8_t b;
      if (!byte(b)) return false;
      out = (out << 7) | (b & 0x7F);
      if (!(b & 0x80)) return true;
    }
    return false;
  }
  void skip(std::uint32_t count) { pos_ += std::min<std::size_t>(count, size_ - pos_); }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
};

std::uint32_t be32(const std::uint8_t* p) {
  return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
}

// Appends the track's events until its end, the first damage, or the event limit.
void readTrack(Reader in, std::vector<TrackEvent>& out) {
  std::uint64_t tick = 0;
  std::uint8_t running = 0;
  while (out.size() < kMaxMidiEvents) {
    std::uint32_t delta;
    if (!in.quantity(delta)) return;
    tick += delta;
    if (tick > kMaxTick) return;
    std::uint8_t status;
    if (!in.peek(status)) return;
    if (status & 0x80) {
      in.byte(status);
    } else if (running) {
      status = running;
    } else {
      return;
    }
    if (status == 0xFF) {
      std::uint8_t type;
      std::uint32_t length;
      if (!in.byte(type) || !in.quantity(length)) return;
      if (type == kTrackEnd) {
        out.push_back({tick, 0, kTrackEnd});
        return;
      }
      if (type == kTempo && length >= 3) {
        std::uint8_t b[3];
        if (!in.byte(b[0]) || !in.byte(b[1]) || !in.byte(b[2])) return;
        out.push_back({tick, (std::uint32_t{b[0]} << 16) | (std::uint32_t{b[1]} << 8) | b[2], kTempo});
        length -= 3;
      }
      in.skip(length);
      continue;
    }
    if (status == 0xF0 || status == 0xF7) {
      std::uint32_t length;
      if (!in.quantity(length)) return;
      in.skip(length);
      continue;
    }
    if (status >= 0xF0) return;  // no other system message belongs in a file
    running = status;
    const int count = (status & 0xF0) == 0xC0 || (status & 0xF0) == 0xD0 ? 1 : 2;
    std::uint8_t d1 = 0, d2 = 0;
    if (!in.byte(d1) || (count == 2 && !in.byte(d2))) return;
    out.push_back({tick, std::uint32_t{d1 & 0x7Fu} | (std::uint32_t{d2 & 0x7Fu} << 8), status});
  }
}

}  // namespace

std::optional<MidiSong> readMidiSong(std::span<const std::uint8_t> bytes, int sampleRate) {
  if (bytes.size() < 14 || bytes.size() > kMaxMidiFileSize) return std::nullopt;
  const std::uint8_t* data = bytes.data();
  if (!std::equal(data, data + 4, "MThd")) return std::nullopt;
  const std::uint32_t headerLength = be32(data + 4);
  if (headerLength < 6 || headerLength > bytes.size() - 8) return std::nullopt;
  const std::uint16_t division = static_cast<std::uint16_t>((data[12] << 8) | data[13]);
  // Seconds a tick lasts: a share of a quarter note, whose length the tempo gives, or of an SMPTE frame.
  double ticksPerQuarter = 0, ticksPerSecond = 0;
  if (division & 0x8000) {
    const int framesPerSecond = -static_cast<std::int8_t>(division >> 8);
    const double fps = framesPerSecond == 29 ? 29.97 : framesPerSecond;
    ticksPerSecond = fps * (division & 0xFF);
    if (ticksPerSecond <= 0) return std::nullopt;
  } else {
    ticksPerQuarter = division;
    if (ticksPerQuarter == 0) return std::nullopt;
  }

  std::vector<TrackEvent> events;
  std::size_t pos = 8 + headerLength;
  while (bytes.size() - pos >= 8 && events.size() < kMaxMidiEvents) {
    const std::uint32_t length =
        static_cast<std::uint32_t>(std::min<std::size_t>(be32(data + pos + 4), bytes.size() - pos - 8));
    if (std::equal(data + pos, data + pos + 4, "MTrk")) readTrack(Reader(data + pos + 8, length), events);
    pos += 8 + length;
  }
  // Tracks play together: merged by time, an earlier track's events first at the same tick (the tempo
  // track comes first).
  std::stable_sort(events.begin(), events.end(),
                   [](const TrackEvent& a, const TrackEvent& b) { return a.tick < b.tick; });

  MidiSong song;
  song.events.reserve(
      std::count_if(events.begin(), events.end(), [](const TrackEvent& e) { return e.status & 0x80; }));
  const double maxSample = kMaxMidiSeconds * sampleRate;
  double samplesPerTick =
      ticksPerSecond > 0 ? sampleRate / ticksPerSecond : 500000.0 / 1e6 * sampleRate / ticksPerQuarter;
  double at = 0;
  std::uint64_t lastTick = 0;
  for (const TrackEvent& e : events) {
    at += static_cast<double>(e.tick - lastTick) * samplesPerTick;
    lastTick = e.tick;
    if (at > maxSample) {
      at = maxSample;
      break;
    }
    const std::uint32_t sample = static_cast<std::uint32_t>(at);
    song.endSample = std::max(song.endSample, sample);
    if (e.status == kTempo) {
      if (ticksPerQuarter > 0) samplesPerTick = e.value / 1e6 * sampleRate / ticksPerQuarter;
    } else if (e.status & 0x80) {
      song.events.push_back({sample, e.status, static_cast<std::uint8_t>(e.value & 0x7F),
                             static_cast<std::uint8_t>(e.value >> 8)});
    }
  }
  song.endSample = std::max(song.endSample, static_cast<std::uint32_t>(std::min(at, maxSample)));
  return song;
}

}  // namespace tavrik
