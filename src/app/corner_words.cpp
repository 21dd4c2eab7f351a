#include "app/corner_words.h"

#include "base/messages.h"
#include "platform/display_window.h"
#include "platform/graphics_device.h"
#include "platform/overlay.h"
#include "ui/notice.h"

namespace tavrik {

void CornerWords::start(Overlay* overlay, const DisplayWindow* window) {
  window_ = window;
  if (overlay)
    overlay->addCharacters(ja(MessageId::ModeFastForward) + ja(MessageId::ModeSkip) +
                           ja(MessageId::ModeAuto) + " ▶");
}

void CornerWords::say(const std::string& text, Overlay* overlay) {
  if (listener_) listener_(text);
  text_ = text;
  frames_ = kFrames;
  if (overlay) overlay->addCharacters(text);
}

void CornerWords::build(const std::string& modeWord) const {
  ScreenRect game{0, 0, GraphicsDevice::kWidth, GraphicsDevice::kHeight};
  if (window_) {
    const DisplayWindow::Rect r = window_->gameRect();
    game = ScreenRect{static_cast<float>(r.x), static_cast<float>(r.y), static_cast<float>(r.x + r.w),
                      static_cast<float>(r.y + r.h)};
  }
  if (frames_ > 0) buildCornerWord(text_, Corner::TopLeft, game);
  if (!modeWord.empty()) buildCornerWord(modeWord + " ▶▶", Corner::TopRight, game);
}

}  // namespace tavrik
