// Whether the program can start threads of its own: a browser build without shared memory cannot, and
// does on its one thread, in order, what would run beside it.
#pragma once

namespace tavrik {

#if defined(__EMSCRIPTEN__) && !defined(__EMSCRIPTEN_PTHREADS__)
inline constexpr bool kHaveThreads = false;
#else
inline constexpr bool kHaveThreads = true;
#endif

}  // namespace tavrik
