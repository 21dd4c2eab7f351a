// Input by frame number, read from an events file: the headless player's hands.
//
//   F move X Y | F down BUTTON | F up BUTTON | F click X Y | F keydown KEY | F keyup KEY | F key KEY
//   F command ID|NAME | F close | F save-state PATH | F save SLOT | F load SLOT | F skip on|off | F auto
//   on|off | F rollback N | F history-return K | F text-speed 0.5|1|1.5|2|3|4|instant | F click-completes
//   on|off | F pad BUTTON down|up | F pad-axis X Y | F speak on|off
//
// BUTTON is left, middle or right; KEY an SDL key name. "click" moves at F, presses at F+1 and releases
// at F+2; "key" presses at F and releases at F+1. "save-state" writes the game's state, as it stands
// before frame F's events and update, to PATH (the rest of the line, relative to the current folder).
// "save" saves the game in a slot (0 the quick slot, 1 to 10) at the same moment; "load" loads one after
// the frame's saves, before its other events and its update; "skip" and "auto" switch skipping and auto
// mode as Ctrl and the A key do. "rollback" steps back N waits, and "history-return" returns to the wait
// after history entry K (0 the oldest kept), before the frame's other events. "text-speed" and
// "click-completes" set what the settings screen sets in a window (a headless run types at the script's
// own pace, and a click while typing goes on, unless they are given).
// "pad" presses or lets go a controller's button, numbered as the manual counts them (1 goes on, 1 to
// 4 are the game's) or up, down, left and right for its pad; "pad-axis" holds its left stick at X, Y
// (-1 to 1, up and left negative). "speak" switches reading the text aloud.
// "#" starts a comment. F is at most kMaxFrame, and the file at most kMaxFileSize bytes.
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

// What the events file asks of the player's own functions.
struct PlayerAction {
  enum class Kind { Save, Load, Skip, Auto, Rollback, HistoryReturn, TextSpeed, ClickCompletes, Speak };
  Kind kind = Kind::Save;
  // The slot, 1 for on and 0 for off, the waits to step back, the history entry or the text speed (half
  // steps a frame, 0 whole at once).
  int value = 0;
};

// A controller's button by its number in the manual ("1" to "9") or its pad direction ("up").
std::optional<PadButton> padButtonNumbered(std::string_view name);

class EventScript {
 public:
  // The largest events file read: a generous bound (a line is some twenty bytes) that keeps a device or
  // a runaway file from taking the memory.
  static constexpr std::uintmax_t kMaxFileSize = 16u * 1024 * 1024;
  // The last frame an event may name: half a millennium at 60 frames a second, and far enough from the
  // end of the counter for "click" and "key" to add their later frames.
  static constexpr std::int64_t kMaxFrame = 1'000'000'000'000;

  // Nothing, with "line N: what is wrong" in error, when a line cannot be read.
  static std::optional<EventScript> parse(std::string_view text, std::string* error);

  // The events of one frame, in file order.
  std::vector<WindowEvent> eventsAt(std::int64_t frame) const;
  // The files to save the state to at one frame, in file order.
  std::vector<std::filesystem::path> statesToSaveAt(std::int64_t frame) const;
  // The player's actions of one frame: its saves first, then its loads, then the rest, each in file order.
  std::vector<PlayerAction> playerActionsAt(std::int64_t frame) const;
  bool empty() const { return events_.empty() && saves_.empty() && actions_.empty(); }
  // Whether any event comes after the frame.
  bool hasEventsAfter(std::int64_t frame) const {
    return events_.upper_bound(frame) != events_.end() || actions_.upper_bound(frame) != actions_.end();
  }
  // The last frame a line of the file names (the release that "click" and "key" add later is not
  // counted: a run may well end on the press); -1 for an empty script.
  std::int64_t lastFrame() const { return lastFrame_; }

 private:
  std::multimap<std::int64_t, WindowEvent> events_;
  std::multimap<std::int64_t, std::filesystem::path> saves_;
  std::multimap<std::int64_t, PlayerAction> actions_;
  std::int64_t lastFrame_ = -1;
};

}  // namespace tavrik
