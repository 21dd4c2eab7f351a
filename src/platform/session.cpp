#include "platform/session.h"

#include <SDL.h>

namespace tavrik {

std::unique_ptr<PlatformSession> PlatformSession::start(bool headless, std::string* error) {
  // The mouse is not captured while a button is held: a release outside the window is not seen.
  SDL_SetHint(SDL_HINT_MOUSE_AUTO_CAPTURE, "0");
  SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "0");
  const Uint32 systems = headless ? SDL_INIT_EVENTS : (SDL_INIT_VIDEO | SDL_INIT_EVENTS);
  if (SDL_Init(systems) != 0) {
    if (error) *error = SDL_GetError();
    return nullptr;
  }
  // Controllers are a bonus: without them (or without their subsystem) the keyboard and mouse still
  // play. The subsystem leaves a message in SDL_GetError even when it works, so its result alone counts.
  if (!headless) SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER);
  return std::unique_ptr<PlatformSession>(new PlatformSession());
}

PlatformSession::~PlatformSession() {
  SDL_Quit();
}

}  // namespace tavrik
