// The author's debug view as the player runs it: whether it is offered and shown, the pause and the
// single step it asks for, and the snapshot it is built from. What the author does in the view (a
// variable set, pause, step) is kept as a request and done between frames, never while the frame's
// interface is being built.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "ui/debug_view.h"

namespace tavrik {

class ScriptEngine;

class DebugControl {
 public:
  void offer(bool offered) { offered_ = offered; }
  bool offered() const { return offered_; }
  bool shown() const { return shown_; }
  // Shows or hides the view (and lets go of a pause); false when it is not offered.
  bool toggle();
  // Whether the view keeps the game from updating this frame (paused, and no single step asked for).
  bool holdsGame();
  // A frame begins: the time since the last one is what the view shows as the frame time.
  void frameStarted();
  // Before the frame's interface: the engine as it stands; the characters it shows, for the atlas.
  std::string takeSnapshot(ScriptEngine& engine, std::int64_t gameFrames);
  // Builds the view in a frame of the overlay; what the author did waits for applyRequests.
  void build();
  // Between frames: a variable set in the view, pause and step.
  void applyRequests(ScriptEngine& engine);

 private:
  bool offered_ = false;
  bool shown_ = false;
  bool paused_ = false;
  bool step_ = false;
  DebugView view_;
  std::optional<DebugSnapshot> snapshot_;  // taken before the frame's interface is built
  DebugRequest request_;
  double frameMilliseconds_ = 0;
  std::int64_t lastFrameCounter_ = 0;
};

}  // namespace tavrik
