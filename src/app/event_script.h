// Input by frame number, read from an events file: the headless player's hands.
//
//   F move X Y | F down BUTTON | F up BUTTON | F click X Y | F keydown KEY | F keyup KEY | F key KEY
//   F command ID | F close | F save-state PATH
//
// BUTTON is left, middle or right; KEY an SDL key name. "click" moves at F, presses at F+1 and releases
// at F+2; "key" presses at F and releases at F+1. "save-state" writes the game's state, as it stands
// before frame F's events and update, to PATH (the rest of the line, relative to the current folder).
// "#" starts a comment.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/window_events.h"

namespace tavrik {

class EventScript {
 public:
  // Nothing, with "line N: what is wrong" in error, when a line cannot be read.
  static std::optional<EventScript> parse(std::string_view text, std::string* error);

  // The events of one frame, in file order.
  std::vector<WindowEvent> eventsAt(std::int64_t frame) const;
  // The files to save the state to at one frame, in file order.
  std::vector<std::filesystem::path> statesToSaveAt(std::int64_t frame) const;
  bool empty() const { return events_.empty() && saves_.empty(); }
  // Whether any event comes after the frame.
  bool hasEventsAfter(std::int64_t frame) const { return events_.upper_bound(frame) != events_.end(); }

 private:
  std::multimap<std::int64_t, WindowEvent> events_;
  std::multimap<std::int64_t, std::filesystem::path> saves_;
};

}  // namespace tavrik
