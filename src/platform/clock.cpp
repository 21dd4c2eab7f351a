#include "platform/clock.h"

#include <SDL.h>
#if defined(__EMSCRIPTEN__)
#include <emscripten.h>
#endif

#include <chrono>
#include <thread>

namespace tavrik {

void sleepMicroseconds(std::int64_t us) {
#if defined(__EMSCRIPTEN__)
  // The page's thread goes back to the browser meanwhile (Asyncify), which runs its events and timers.
  emscripten_sleep(static_cast<unsigned>((us + 999) / 1000));
#else
  std::this_thread::sleep_for(std::chrono::microseconds(us));
#endif
}

std::int64_t performanceCounter() {
  return static_cast<std::int64_t>(SDL_GetPerformanceCounter());
}
std::int64_t performanceFrequency() {
  return static_cast<std::int64_t>(SDL_GetPerformanceFrequency());
}

}  // namespace tavrik
