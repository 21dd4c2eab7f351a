// The author's debug view, drawn by the overlay over the running game: where the script is, the frame,
// every variable (editable), every layer and channel with its picture or sound, attributes, action and
// step, and the frame time; the game can be paused and stepped a frame at a time. It is built from a
// snapshot the application takes every frame, and answers with what the author asked, which the
// application does between frames.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "script/runtime/debug_snapshot.h"

namespace tavrik {

struct DebugRequest {
  std::optional<std::pair<int, float>> setVariable;  // index, value
  bool togglePause = false;
  bool step = false;
};

class DebugView {
 public:
  // Builds the view in a frame of the overlay; what the author did in it.
  DebugRequest build(const DebugSnapshot& snapshot);
  // Where each variable's field was drawn (left, top, right, bottom in the overlay's pixels).
  const std::vector<std::array<float, 4>>& variableRects() const { return variableRects_; }
  // Every character the view may show, for the overlay's atlas.
  static std::string characters(const DebugSnapshot& snapshot);

  // Where the view stands: at the top right, under the menu strip.
  static constexpr float kWidth = 600, kTop = 32, kMargin = 8;

 private:
  std::vector<std::array<float, 4>> variableRects_;
};

}  // namespace tavrik
