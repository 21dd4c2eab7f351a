// The platform's part of a run: SDL's video and event subsystems for a window, or only its events for a
// headless run.
#pragma once

#include <memory>
#include <string>

namespace tavrik {

// Starts SDL's video and event subsystems for a window, or nothing of the display for headless runs.
class PlatformSession {
 public:
  static std::unique_ptr<PlatformSession> start(bool headless, std::string* error);
  ~PlatformSession();
  PlatformSession(const PlatformSession&) = delete;
  PlatformSession& operator=(const PlatformSession&) = delete;

 private:
  PlatformSession() = default;
};

}  // namespace tavrik
