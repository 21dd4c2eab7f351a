#include "app/corner_words.h"

#include "platform/overlay.h"
#include "ui/notice.h"

namespace tavrik {

void CornerWords::say(const std::string& text, Overlay* overlay) {
  if (listener_) listener_(text);
  text_ = text;
  frames_ = kFrames;
  if (overlay) overlay->addCharacters(text);
}

void CornerWords::build(const std::string& modeWord) const {
  if (frames_ > 0) buildCornerWord(text_, Corner::TopLeft);
  if (!modeWord.empty()) buildCornerWord(modeWord + " ▶▶", Corner::TopRight);
}

}  // namespace tavrik
