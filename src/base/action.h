// Keyframe actions as data: named tables of (step, attribute, value) entries that scripts declare and
// layers, eye and mouth states, text characters and audio channels play, one step a frame.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace tavrik {

// One row per attribute, in the fixed order scripts name them and stored games number them:
//   ROW(name, field of the animated object it sets, how an entry sets it, the field's value after a reset)
// How an entry sets its field:
//   Number  the value as it is;             Whole  the value truncated toward zero;
//   Step    the step to run next (TIME);    End    the object has finished;
//   Wait    a pause of the value plus a random share of the spread (WAIT);
//   Hook    no field: the object is told, and a channel plays or stops its sound.
// Everything else follows from this table: the enum and names here, and in the scene the animated
// object's fields, their reset values, how an entry applies and how the fields are stored.
#define TAVRIK_ACTION_ATTRIBUTES(ROW) \
  ROW(X, x, Number, 0)                \
  ROW(Y, y, Number, 0)                \
  ROW(Z, z, Number, 0)                \
  ROW(VX, vx, Number, 0)              \
  ROW(VY, vy, Number, 0)              \
  ROW(VZ, vz, Number, 0)              \
  ROW(AX, ax, Number, 0)              \
  ROW(AY, ay, Number, 0)              \
  ROW(AZ, az, Number, 0)              \
  ROW(W, w, Number, 1)                \
  ROW(H, h, Number, 1)                \
  ROW(VW, vw, Number, 0)              \
  ROW(VH, vh, Number, 0)              \
  ROW(T, t, Number, 0)                \
  ROW(VT, vt, Number, 0)              \
  ROW(A, a, Number, 0)                \
  ROW(R, r, Number, 1)                \
  ROW(G, g, Number, 1)                \
  ROW(B, b, Number, 1)                \
  ROW(VA, va, Number, 0)              \
  ROW(VR, vr, Number, 0)              \
  ROW(VG, vg, Number, 0)              \
  ROW(VB, vb, Number, 0)              \
  ROW(INDEX, index, Whole, 0)         \
  ROW(ALIGNX, alignX, Whole, 0)       \
  ROW(ALIGNY, alignY, Whole, 0)       \
  ROW(PLAY, none, Hook, 0)            \
  ROW(STOP, none, Hook, 0)            \
  ROW(VOL, vol, Number, 1)            \
  ROW(VVOL, vvol, Number, 0)          \
  ROW(TIME, step, Step, 0)            \
  ROW(END, finished, End, 1)          \
  ROW(WAIT, wait, Wait, 0)            \
  ROW(RWAIT, rwait, Whole, 0)

enum class ActionAttribute : std::int32_t {
#define TAVRIK_ATTRIBUTE_ENUM(name, field, kind, reset) name,
  TAVRIK_ACTION_ATTRIBUTES(TAVRIK_ATTRIBUTE_ENUM)
#undef TAVRIK_ATTRIBUTE_ENUM
      Count
};

inline constexpr std::string_view kActionAttributeNames[] = {
#define TAVRIK_ATTRIBUTE_NAME(name, field, kind, reset) #name,
    TAVRIK_ACTION_ATTRIBUTES(TAVRIK_ATTRIBUTE_NAME)
#undef TAVRIK_ATTRIBUTE_NAME
};

// The index of an attribute name, or -1.
int actionAttributeIndex(std::string_view name);

// A float truncated toward zero into 32 bits; out-of-range values saturate and NaN gives 0, where a
// plain conversion would be undefined.
std::int32_t truncateToInt(float value);

struct ActionEntry {
  std::int32_t step = 0;
  std::int32_t attribute = 0;  // an ActionAttribute; the compiler writes only known ones
  float value = 0.0f;

  bool operator==(const ActionEntry&) const = default;
};

struct Action {
  std::vector<ActionEntry> entries;
  // Text actions only: frames between two characters, and the entry of the program's font table
  // (a height) their glyphs come from; -1 for the other kinds.
  std::int32_t charDelay = 0;
  std::int32_t fontIndex = -1;

  // Puts every entry of base in front of this action's entries, in base's order: included entries of a
  // step apply before the action's own.
  void include(const Action& base) {
    entries.insert(entries.begin(), base.entries.begin(), base.entries.end());
  }
};

}  // namespace tavrik
