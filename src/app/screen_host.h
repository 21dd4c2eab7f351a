// The player's screen that is open over the game, if any: it has the keyboard and the mouse, and the
// game stands still meanwhile. The host knows which screen it holds, so that what a screen answers is
// taken with the screen's own model.
#pragma once

#include <memory>

#include "platform/window_events.h"
#include "ui/history_screen.h"
#include "ui/menu_screen.h"
#include "ui/settings_screen.h"
#include "ui/slot_screen.h"

namespace tavrik {

class Overlay;

class ScreenHost {
 public:
  bool isOpen() const { return screen_ != nullptr; }
  // Opens a screen in place of the one open; its characters join the overlay's atlas.
  void open(Overlay& overlay, std::unique_ptr<SlotScreen> screen);
  void open(Overlay& overlay, std::unique_ptr<SettingsScreen> screen);
  void open(Overlay& overlay, std::unique_ptr<HistoryScreen> screen);
  void open(Overlay& overlay, std::unique_ptr<MenuScreen> screen);
  void close();
  // The open screen when it is of that kind; nothing otherwise.
  SlotScreen* slots() { return slots_; }
  SettingsScreen* settings() { return settings_; }

  std::string focusWords() const { return screen_ ? screen_->focusWords() : std::string(); }
  // In a window a screen fades in as it opens and out as it closes (kFadeFrames); headless runs show it
  // at once, so that a frame with a screen is the same however it is taken.
  static constexpr int kFadeFrames = 9;
  void setFading(bool fading) { fading_ = fading; }
  // A screen still fading out, after it closed: the frame goes on drawing it.
  bool fading() const { return leaving_ != nullptr; }
  void build();
  // An event for the open screen: what it asks. A controller's buttons are the keys they stand for. handled
  // is false for an event that is not the screen's (the frame's own: focus, close, exposure...).
  ScreenAction handle(const WindowEvent& event, bool* handled);

 private:
  void show(Overlay& overlay, std::unique_ptr<PlayerScreen> screen);

  std::unique_ptr<PlayerScreen> screen_;
  std::unique_ptr<PlayerScreen> leaving_;  // closed, fading out
  bool fading_ = false;
  int shownFrames_ = 0;
  int leavingFrames_ = 0;
  SlotScreen* slots_ = nullptr;
  SettingsScreen* settings_ = nullptr;
};

}  // namespace tavrik
