#include "app/screen_host.h"

#include <algorithm>

#include "app/pad_input.h"
#include "platform/overlay.h"
#include "ui/look.h"

namespace tavrik {

void ScreenHost::show(Overlay& overlay, std::unique_ptr<PlayerScreen> screen) {
  overlay.addCharacters(screen->characters());
  slots_ = nullptr;
  settings_ = nullptr;
  // A screen opened in place of another does not fade in again; nor does the one left fade out.
  shownFrames_ = screen_ || leaving_ ? kFadeFrames : 0;
  leaving_.reset();
  screen_ = std::move(screen);
}

void ScreenHost::build() {
  if (leaving_) {
    setFade(1.0f - static_cast<float>(++leavingFrames_) / kFadeFrames);
    leaving_->build();
    if (leavingFrames_ >= kFadeFrames) leaving_.reset();
  }
  if (screen_) {
    shownFrames_ = std::min(shownFrames_ + 1, kFadeFrames);
    setFade(fading_ ? static_cast<float>(shownFrames_) / kFadeFrames : 1.0f);
    screen_->build();
  }
  setFade(1);
}

void ScreenHost::open(Overlay& overlay, std::unique_ptr<SlotScreen> screen) {
  SlotScreen* slots = screen.get();
  show(overlay, std::move(screen));
  slots_ = slots;
}

void ScreenHost::open(Overlay& overlay, std::unique_ptr<SettingsScreen> screen) {
  SettingsScreen* settings = screen.get();
  show(overlay, std::move(screen));
  settings_ = settings;
}

void ScreenHost::open(Overlay& overlay, std::unique_ptr<HistoryScreen> screen) {
  show(overlay, std::move(screen));
}

void ScreenHost::open(Overlay& overlay, std::unique_ptr<MenuScreen> screen) {
  show(overlay, std::move(screen));
}

void ScreenHost::close() {
  if (fading_ && screen_) {
    leaving_ = std::move(screen_);
    leavingFrames_ = kFadeFrames - shownFrames_;
  }
  screen_.reset();
  slots_ = nullptr;
  settings_ = nullptr;
}

ScreenAction ScreenHost::handle(const WindowEvent& event, bool* handled) {
  using T = WindowEvent::Type;
  *handled = true;
  switch (event.type) {
    case T::KeyDown:
      return screen_->key(event.key);
    case T::ButtonUp:
      // Clicks are tested where the screen drew, in the overlay's pixels: a window's own, or the frame's.
      if (event.button == MouseButton::Left) return screen_->click(event.x, event.y);
      if (event.button == MouseButton::Right) return ScreenAction::close();
      return {};
    case T::Wheel:
      return screen_->wheel(event.y);
    case T::PadButtonDown:
      if (const std::optional<Key> key = keyForPadButton(event.padButton)) return screen_->key(*key);
      return {};
    case T::MouseMove:
      screen_->pointer(event.x, event.y);
      return {};
    case T::ButtonDown:
      // The game does not see what is done on the screen; a key let go there is let go for it too.
      return {};
    default:
      *handled = false;
      return {};
  }
}

}  // namespace tavrik
