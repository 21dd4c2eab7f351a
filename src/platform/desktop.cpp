#include "platform/desktop.h"

#include <SDL.h>
#include <SDL_image.h>

#include <cstdio>

#include "platform/display_window.h"

namespace tavrik {

void openUrl(const std::string& url, bool haveDisplay) {
  if (!haveDisplay) {
    std::fprintf(stderr, "tavrik: open %s\n", url.c_str());
    return;
  }
  SDL_OpenURL(url.c_str());
}

void setWindowIcon(DisplayWindow& window, const std::string& nativePath) {
  if (SDL_Surface* icon = IMG_Load(nativePath.c_str())) {
    SDL_SetWindowIcon(window.sdlWindow(), icon);
    SDL_FreeSurface(icon);
  }
}

}  // namespace tavrik
