#include "platform/session.h"

#include <SDL.h>
#include <signal.h>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

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

// Whether a program of that name is on the search path.
bool onPath(std::string_view program) {
  const char* path = std::getenv("PATH");
  if (!path) return false;
  std::string_view rest(path);
  while (!rest.empty()) {
    const std::size_t colon = rest.find(':');
    const std::string_view folder = rest.substr(0, colon);
    std::error_code ec;
    if (!folder.empty() && std::filesystem::is_regular_file(std::filesystem::path(folder) / program, ec))
      return true;
    if (colon == std::string_view::npos) break;
    rest.remove_prefix(colon + 1);
  }
  return false;
}

// Variables set for the video system's start only, and put back as they were after it.
class StartEnvironment {
 public:
  void set(const char* name, const char* value) {
    if (std::getenv(name)) return;
    ::setenv(name, value, 1);
    names_.push_back(name);
  }
  ~StartEnvironment() {
    for (const char* name : names_) ::unsetenv(name);
  }

 private:
  std::vector<const char*> names_;
};

}  // namespace

std::unique_ptr<PlatformSession> PlatformSession::start(bool headless, std::string* error, Failure* failure) {
  if (failure) *failure = Failure::None;
#if defined(__GLIBC__)
  // One heap for every thread. The threads that read the fonts, the script and its first pictures at
  // start-up would each leave a heap of their own behind, holding pictures the game goes on showing
  // beside freed pages: over a megabyte more resident for the whole game. No thread of the player
  // allocates often enough to wait on another.
  mallopt(M_ARENA_MAX, 1);
#endif
#if defined(__EMSCRIPTEN__)
  constexpr bool page = true;  // a page always has its canvas
#else
  constexpr bool page = false;
#endif
  if (!headless && !page && !set("SDL_VIDEODRIVER") && !set("DISPLAY") && !set("WAYLAND_DISPLAY")) {
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
  {
    StartEnvironment environment;
    if (!headless) {
      // The X input method reads the locale's whole compose table when it opens (several thousand
      // lines, a third of the video system's start). The player takes no typed text but numbers in
      // the debug view, which compose nothing: its input method starts without one. An input method
      // server (XMODIFIERS) is not affected, and whoever names a compose file keeps it.
      environment.set("XCOMPOSEFILE", "/dev/null");
      // Without a session bus in the environment or in the usual place, D-Bus would fork a launcher
      // to start one (for the input method and the screen saver), in vain where there is no launcher.
      const char* runtime = std::getenv("XDG_RUNTIME_DIR");
      std::error_code ec;
      if (!set("DBUS_SESSION_BUS_ADDRESS") &&
          !(runtime && *runtime && std::filesystem::exists(std::filesystem::path(runtime) / "bus", ec)) &&
          !onPath("dbus-launch"))
        environment.set("DBUS_SESSION_BUS_ADDRESS", "disabled:");
    }
    if (SDL_Init(systems) != 0) {
      if (error) *error = SDL_GetError();
      if (failure) *failure = Failure::VideoSystem;
      return nullptr;
    }
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
