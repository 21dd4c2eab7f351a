// Time for the frame loop: the high-resolution counter and sleeping.
#pragma once

#include <cstdint>

namespace tavrik {

// Sleeps the thread.
void sleepMicroseconds(std::int64_t us);

// The high-resolution counter and its ticks per second.
std::int64_t performanceCounter();
std::int64_t performanceFrequency();

}  // namespace tavrik
