#include "platform/clock.h"

#include <SDL.h>

#include <chrono>
#include <thread>

namespace tavrik {

void sleepMicroseconds(std::int64_t us) {
  std::this_thread::sleep_for(std::chrono::microseconds(us));
}

std::int64_t performanceCounter() {
  return static_cast<std::int64_t>(SDL_GetPerformanceCounter());
}
std::int64_t performanceFrequency() {
  return static_cast<std::int64_t>(SDL_GetPerformanceFrequency());
}

}  // namespace tavrik
