#include "platform/message_box.h"

#include <SDL.h>

#include <cstdio>
#include <string>

#include "platform/display_window.h"

namespace tavrik {

BoxAnswer showMessageBox(DisplayWindow* owner, bool haveDisplay, std::string_view caption,
                         std::string_view text, BoxButtons buttons) {
  // Without a display SDL's box may report success without showing anything; don't ask it.
  if (!haveDisplay) {
    std::fprintf(stderr, "%.*s\n%.*s\n", static_cast<int>(caption.size()), caption.data(),
                 static_cast<int>(text.size()), text.data());
    std::fflush(stderr);
    return BoxAnswer::Ok;
  }
  const std::string captionZ(caption);
  const std::string textZ(text);
  SDL_MessageBoxButtonData data[2] = {
      {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, 1, "OK"},
      {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, 0, "Cancel"},
  };
  if (buttons == BoxButtons::Ok) data[0].flags |= SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT;
  SDL_MessageBoxData box{};
  box.flags = SDL_MESSAGEBOX_INFORMATION;
  box.window = owner ? owner->sdlWindow() : nullptr;
  box.title = captionZ.c_str();
  box.message = textZ.c_str();
  box.numbuttons = buttons == BoxButtons::Ok ? 1 : 2;
  box.buttons = data;
  int pressed = 0;
  if (SDL_ShowMessageBox(&box, &pressed) != 0) return BoxAnswer::Ok;
  return pressed == 1 ? BoxAnswer::Ok : BoxAnswer::Cancel;
}

}  // namespace tavrik
