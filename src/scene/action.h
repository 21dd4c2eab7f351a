// Keyframe actions: named tables of (step, attribute, value) entries that animate layers, eye and mouth
// states, text characters and audio channels, one step a frame.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace tavrik {

// The attributes an entry can set, in their fixed order: scripts name them, the compiler maps a name to
// its position in this list.
enum class ActionAttribute : std::int32_t {
  X,
  Y,
  Z,
  VX,
  VY,
  VZ,
  AX,
  AY,
  AZ,
  W,
  H,
  VW,
  VH,
  T,
  VT,
  A,
  R,
  G,
  B,
  VA,
  VR,
  VG,
  VB,
  INDEX,
  ALIGNX,
  ALIGNY,
  PLAY,
  STOP,
  VOL,
  VVOL,
  TIME,
  END,
  WAIT,
  RWAIT,
  Count
};

inline constexpr std::string_view kActionAttributeNames[] = {
    "X",      "Y",      "Z",    "VX",   "VY",  "VZ",   "AX",   "AY",  "AZ",   "W",    "H",  "VW",
    "VH",     "T",      "VT",   "A",    "R",   "G",    "B",    "VA",  "VR",   "VG",   "VB", "INDEX",
    "ALIGNX", "ALIGNY", "PLAY", "STOP", "VOL", "VVOL", "TIME", "END", "WAIT", "RWAIT"};
static_assert(std::size(kActionAttributeNames) == static_cast<std::size_t>(ActionAttribute::Count));

// A float truncated toward zero into 32 bits; out-of-range values saturate and NaN gives 0, where a
// plain conversion would be undefined.
std::int32_t truncateToInt(float value);

// The index of an attribute name, or -1.
int actionAttributeIndex(std::string_view name);

struct ActionEntry {
  std::int32_t step = 0;
  std::int32_t attribute = 0;
  float value = 0.0f;
};

class GlyphFont;

class Action {
 public:
  void append(const ActionEntry& entry) { entries_.push_back(entry); }
  // Puts every entry of base in front of this action's entries, in base's order: included entries of a
  // step apply before the action's own.
  void include(const Action& base);
  const std::vector<ActionEntry>& entries() const { return entries_; }

  // Text actions only: frames between two characters, and the font of their glyphs.
  std::int32_t charDelay = 0;
  const GlyphFont* font = nullptr;

 private:
  std::vector<ActionEntry> entries_;
};

// The pause spread of WAIT comes from the generator of the runtime library the games were made with,
// never seeded, so a script pauses the same way on every run and every platform.
class ScriptRandom {
 public:
  // 0 to 32767.
  int next() {
    state_ = state_ * 214013u + 2531011u;
    return static_cast<int>((state_ >> 16) & 0x7FFF);
  }

 private:
  std::uint32_t state_ = 1;
};

}  // namespace tavrik
