#include "script/runtime/history.h"

#include <algorithm>
#include <cmath>

#include "base/action.h"
#include "base/byte_io.h"

namespace tavrik {

namespace {

constexpr std::uint32_t kHistoryMagic = 0x31485654;  // "TVH1"
// Far more characters than any text frame holds; a count past it is damage.
constexpr std::size_t kMaxCharacters = 1 << 20;

std::uint32_t channelByte(float value) {
  if (!(value > 0.0f)) return 0;
  if (value >= 1.0f) return 255;
  return static_cast<std::uint32_t>(std::lround(value * 255.0f));
}

}  // namespace

std::string HistoryEntry::text() const {
  std::string out;
  out.reserve(characters.size() * 2);
  for (const HistoryCharacter& c : characters) {
    if (c.code > 0xFF) out.push_back(static_cast<char>(c.code >> 8));
    out.push_back(static_cast<char>(c.code & 0xFF));
  }
  return out;
}

std::uint32_t settledColour(const Action* action) {
  float rgb[3] = {1.0f, 1.0f, 1.0f};
  if (action) {
    for (const ActionEntry& e : action->entries) {
      if (e.attribute == static_cast<std::int32_t>(ActionAttribute::R)) rgb[0] = e.value;
      if (e.attribute == static_cast<std::int32_t>(ActionAttribute::G)) rgb[1] = e.value;
      if (e.attribute == static_cast<std::int32_t>(ActionAttribute::B)) rgb[2] = e.value;
    }
  }
  return channelByte(rgb[0]) << 16 | channelByte(rgb[1]) << 8 | channelByte(rgb[2]);
}

void History::add(HistoryEntry entry) {
  entries_.push_back(std::move(entry));
  while (entries_.size() > kMaxEntries) entries_.pop_front();
}

std::vector<std::uint8_t> History::encode() const {
  ByteWriter w;
  w.u32(kHistoryMagic);
  w.u32(static_cast<std::uint32_t>(entries_.size()));
  for (const HistoryEntry& e : entries_) {
    w.u32(static_cast<std::uint32_t>(e.characters.size()));
    for (const HistoryCharacter& c : e.characters) {
      w.u16(c.code);
      w.u32(c.rgb);
    }
  }
  return std::move(w.out());
}

std::optional<History> History::decode(std::span<const std::uint8_t> bytes) {
  ByteReader r(bytes);
  if (r.u32() != kHistoryMagic) return std::nullopt;
  const std::size_t count = r.count(4);
  if (count > kMaxEntries) return std::nullopt;
  History history;
  for (std::size_t i = 0; i < count && !r.failed(); ++i) {
    const std::size_t n = r.count(6);
    if (n > kMaxCharacters) return std::nullopt;
    HistoryEntry entry;
    entry.characters.resize(n);
    for (HistoryCharacter& c : entry.characters) {
      c.code = r.u16();
      c.rgb = r.u32() & 0xFFFFFFu;
    }
    history.entries_.push_back(std::move(entry));
  }
  if (r.failed() || r.remaining() != 0) return std::nullopt;
  return history;
}

}  // namespace tavrik
