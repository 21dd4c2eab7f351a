#include "script/runtime/history.h"

#include <algorithm>
#include <cmath>

#include "base/action.h"
#include "base/byte_io.h"
#include "base/sjis_text.h"

namespace tavrik {

namespace {

// "TVH2": each entry tells its layer and whether it was a button's or read at a wait. "TVH1", whose
// entries are characters alone, is still read.
constexpr std::uint32_t kHistoryMagic = 0x32485654;
constexpr std::uint32_t kHistoryMagicCharactersOnly = 0x31485654;

std::uint32_t channelByte(float value) {
  if (!(value > 0.0f)) return 0;
  if (value >= 1.0f) return 255;
  return static_cast<std::uint32_t>(std::lround(value * 255.0f));
}

}  // namespace

std::string HistoryEntry::text() const {
  std::string out;
  out.reserve(characters.size() * 2);
  for (const HistoryCharacter& c : characters) sjis::appendCharacter(out, c.code);
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
  if (entry.characters.size() > kMaxCharacters) entry.characters.resize(kMaxCharacters);
  entries_.push_back(std::move(entry));
  ++added_;
  while (entries_.size() > kMaxEntries) entries_.pop_front();
}

void History::markRead() {
  for (auto it = entries_.rbegin(); it != entries_.rend(); ++it) {
    if (it->button) continue;
    it->read = true;
    return;
  }
}

const HistoryEntry* History::lastSaid() const {
  std::int32_t frame = -1;
  for (auto it = entries_.rbegin(); it != entries_.rend() && frame < 0; ++it)
    if (it->read) frame = it->layer;
  // A frame emptied before a choice says nothing: what it said last stands.
  for (auto it = entries_.rbegin(); it != entries_.rend(); ++it)
    if (!it->characters.empty() && (frame >= 0 ? it->layer == frame : !it->button)) return &*it;
  return nullptr;
}

std::vector<std::uint8_t> History::encode() const {
  ByteWriter w;
  w.u32(kHistoryMagic);
  w.u32(static_cast<std::uint32_t>(entries_.size()));
  for (const HistoryEntry& e : entries_) {
    w.u8(static_cast<std::uint8_t>((e.button ? 1 : 0) | (e.read ? 2 : 0)));
    w.i32(e.layer);
    w.u32(static_cast<std::uint32_t>(e.characters.size()));
    for (const HistoryCharacter& c : e.characters) {
      w.u16(c.code);
      w.u32(c.rgb);
    }
  }
  return std::move(w.out());
}

void History::dropNewest(std::uint64_t count) {
  for (std::uint64_t n = 0; n < count && !entries_.empty(); ++n) entries_.pop_back();
  added_ = count < added_ ? added_ - count : 0;
}

std::optional<History> History::decode(std::span<const std::uint8_t> bytes) {
  ByteReader r(bytes);
  const std::uint32_t magic = r.u32();
  if (magic != kHistoryMagic && magic != kHistoryMagicCharactersOnly) return std::nullopt;
  const bool described = magic == kHistoryMagic;
  const std::size_t count = r.count(4);
  if (count > kMaxEntries) return std::nullopt;
  History history;
  for (std::size_t i = 0; i < count && !r.failed(); ++i) {
    HistoryEntry entry;
    if (described) {
      const std::uint8_t flags = r.u8();
      if (flags > 3) r.fail();
      entry.button = flags & 1;
      entry.read = flags & 2;
      entry.layer = r.i32();
      if (entry.layer < -1) r.fail();
    }
    // An entry longer than the history keeps (an earlier player's, or a crafted one) keeps its start.
    const std::size_t n = r.count(6);
    entry.characters.resize(std::min(n, kMaxCharacters));
    for (std::size_t k = 0; k < n; ++k) {
      const std::uint16_t code = r.u16();
      const std::uint32_t rgb = r.u32() & 0xFFFFFFu;
      if (k < kMaxCharacters) entry.characters[k] = {code, rgb};
    }
    history.entries_.push_back(std::move(entry));
  }
  if (r.failed() || r.remaining() != 0) return std::nullopt;
  history.added_ = history.entries_.size();
  return history;
}

}  // namespace tavrik
