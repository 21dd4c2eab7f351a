// The window's size and how the game is scaled in it, from the View menu: the game at its own size, one
// and a half or twice it, or the largest the screen holds, scaled sharply or smoothly (in fullscreen
// too). The choice is kept with the player's settings, and the next start makes its window that size
// before the first frame. A headless run has no window: there the commands are known, so that an events
// file written for a window plays headless as well, and do nothing, nor are they kept.
#pragma once

#include <array>
#include <functional>

#include "app/player_commands.h"
#include "ui/player_settings.h"

namespace tavrik {

class AppFrame;
class PlayerScreens;

// Window pixels a game pixel at a scale; DisplayWindow::kFitScale for the largest that fits.
double windowScaleFactor(WindowScale scale);

class WindowView {
 public:
  // The screens hold the player's settings and write them; the menus are built again after a change.
  WindowView(AppFrame& frame, PlayerScreens& screens, std::function<void()> changed);

  static constexpr std::array<int, 5> kCommands = {kCommandWindow1x, kCommandWindow1_5x, kCommandWindow2x,
                                                   kCommandWindowFit, kCommandSmoothScaling};
  void run(int id);
  // The scale chosen, and smooth scaling while it is on.
  bool checked(int id) const;

 private:
  AppFrame& frame_;
  PlayerScreens& screens_;
  std::function<void()> changed_;
};

}  // namespace tavrik
