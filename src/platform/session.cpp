#include "platform/session.h"

#include <SDL.h>
#include <signal.h>

#include <cstdlib>

#include "base/messages.h"

namespace tavrik {

namespace {

volatile sig_atomic_t receivedSignal = 0;

void onTerminationSignal(int signal) {
  if (receivedSignal != 0) {
    // Asked twice: the player is stuck or the user is in a hurry; the default action ends it now.
    ::signal(signal, SIG_DFL);
    ::raise(signal);
    return;
  }
  receivedSignal = signal;
}

void catchTerminationSignals() {
  struct sigaction action {};
  action.sa_handler = onTerminationSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) ::sigaction(signal, &action, nullptr);
}

bool set(const char* name) {
  const char* value = std::getenv(name);
  return value && *value;
}

}  // namespace

std::unique_ptr<PlatformSession> PlatformSession::start(bool headless, std::string* error, Failure* failure) {
  if (failure) *failure = Failure::None;
  if (!headless && !set("SDL_VIDEODRIVER") && !set("DISPLAY") && !set("WAYLAND_DISPLAY")) {
    if (error) *error = en(MessageId::SessionNoDisplay);
    if (failure) *failure = Failure::NoDisplay;
    return nullptr;
  }
  // The player handles the termination signals itself: SDL's own handlers only queue a quit event,
  // which a headless run never reads and a window answers with the exit confirmation.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  // The mouse is not captured while a button is held: a release outside the window is not seen.
  SDL_SetHint(SDL_HINT_MOUSE_AUTO_CAPTURE, "0");
  SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "0");
  // A close request from the desktop (the title bar's button, Alt+F4, a window list) arrives once, as
  // the window's close event. SDL would follow it with a quit event for the last window, which the exit
  // confirmation it opened would read as its Cancel.
  SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
  const Uint32 systems = headless ? SDL_INIT_EVENTS : (SDL_INIT_VIDEO | SDL_INIT_EVENTS);
  if (SDL_Init(systems) != 0) {
    if (error) *error = SDL_GetError();
    if (failure) *failure = Failure::VideoSystem;
    return nullptr;
  }
  // The controllers' subsystem starts with the first frame up (InputDevices::openControllers): looking
  // through the system's input devices is nothing the first frame needs.
  catchTerminationSignals();
  return std::unique_ptr<PlatformSession>(new PlatformSession());
}

PlatformSession::~PlatformSession() {
  SDL_Quit();
}

int terminationSignal() {
  return receivedSignal;
}

}  // namespace tavrik
