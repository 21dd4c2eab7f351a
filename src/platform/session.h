// The platform's part of a run: SDL's video and event subsystems for a window, or only its events for a
// headless run, and the termination signals.
#pragma once

#include <memory>
#include <string>

namespace tavrik {

// Starts SDL's video and event subsystems for a window, or nothing of the display for headless runs.
class PlatformSession {
 public:
  enum class Failure { None, NoDisplay, VideoSystem };

  // Nothing, with the reason, when the window system cannot be had. A window needs a display: without
  // DISPLAY or WAYLAND_DISPLAY (and no SDL_VIDEODRIVER chosen by hand) the start fails as NoDisplay
  // at once. SIGINT, SIGTERM and SIGHUP from here on ask the player to end (terminationSignal).
  static std::unique_ptr<PlatformSession> start(bool headless, std::string* error,
                                                Failure* failure = nullptr);
  ~PlatformSession();
  PlatformSession(const PlatformSession&) = delete;
  PlatformSession& operator=(const PlatformSession&) = delete;

 private:
  PlatformSession() = default;
};

// The termination signal received since the session started (SIGINT, SIGTERM or SIGHUP), or 0. The
// player ends as after its last frame; a second such signal ends the process at once.
int terminationSignal();

}  // namespace tavrik
