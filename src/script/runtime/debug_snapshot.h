// What the author's debug view shows of a running engine, read from it at one moment: where the script
// is, every variable, and every layer and channel with its picture or sound and its animation. A value:
// reading it changes nothing, and the view asks for changes apart from it.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "scene/animated_object.h"

namespace tavrik {

class ScriptEngine;

struct DebugObject {
  std::string nameUtf8;
  std::string fileUtf8;    // the picture or sound; empty when none
  std::string actionUtf8;  // empty when none
  AnimationState state;    // every attribute of the action table, its step and whether it ended
};

struct DebugSnapshot {
  std::string placeUtf8;   // "start.tvk:12", the line 1-based; "-" once the script has ended
  std::int64_t frame = 0;  // the game's frames: updates of the script, which stop while it is paused
  double frameMilliseconds = 0;
  bool paused = false;
  std::vector<std::pair<std::string, float>> variables;  // UTF-8 names
  std::vector<DebugObject> layers;
  std::vector<DebugObject> channels;
};

// The engine as it stands; the frame counts and the pause are the player's and left for it to fill in.
DebugSnapshot debugSnapshotOf(ScriptEngine& engine);

}  // namespace tavrik
