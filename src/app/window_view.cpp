#include "app/window_view.h"

#include <utility>

#include "app/app_frame.h"
#include "app/player_screens.h"
#include "platform/display_window.h"

namespace tavrik {

namespace {

constexpr std::pair<int, WindowScale> kScaleCommands[] = {{kCommandWindow1x, WindowScale::One},
                                                          {kCommandWindow1_5x, WindowScale::OneAndHalf},
                                                          {kCommandWindow2x, WindowScale::Two},
                                                          {kCommandWindowFit, WindowScale::Fit}};

}  // namespace

double windowScaleFactor(WindowScale scale) {
  switch (scale) {
    case WindowScale::One:
      return 1;
    case WindowScale::OneAndHalf:
      return 1.5;
    case WindowScale::Two:
      return 2;
    case WindowScale::Fit:
      break;
  }
  return DisplayWindow::kFitScale;
}

WindowView::WindowView(AppFrame& frame, PlayerScreens& screens, std::function<void()> changed)
    : frame_(frame), screens_(screens), changed_(std::move(changed)) {}

void WindowView::run(int id) {
  DisplayWindow* window = frame_.graphics().window();
  if (!window) return;
  WindowScale scale = screens_.settings().windowScale;
  bool smooth = screens_.settings().smoothScaling;
  if (id == kCommandSmoothScaling) smooth = !smooth;
  for (const auto& [command, value] : kScaleCommands)
    if (command == id) scale = value;
  screens_.setWindowView(scale, smooth);
  window->setSmooth(smooth);
  window->setScale(windowScaleFactor(scale));
  changed_();
  frame_.draw(true);
}

bool WindowView::checked(int id) const {
  const PlayerSettings& settings = screens_.settings();
  if (id == kCommandSmoothScaling) return settings.smoothScaling;
  for (const auto& [command, value] : kScaleCommands)
    if (command == id) return settings.windowScale == value;
  return false;
}

}  // namespace tavrik
