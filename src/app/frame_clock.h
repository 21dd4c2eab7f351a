// When the next frame may run: at most 60 a second, late frames not made up.
#pragma once

#include <cmath>
#include <cstdint>

namespace tavrik {

class FrameClock {
 public:
  static constexpr double kFramesPerSecond = 60.0;

  // minimumFrames: the share of a frame that must pass. Below 1 when presentation already waits for
  // the display's retrace, so that the timer only paces frames that present nothing and never makes a
  // presenting frame miss its retrace by a hair.
  explicit FrameClock(std::int64_t frequency, double minimumFrames = 1.0)
      : frequency_(frequency), minimumFrames_(minimumFrames) {}

  // True when a frame may run at counter value now; the next frame is then timed from now. The first
  // call always runs a frame.
  bool frameDue(std::int64_t now) {
    if (frequency_ <= 0 || !started_) {
      started_ = true;
      last_ = now;
      return true;
    }
    const double elapsed = static_cast<double>(now - last_);
    if (elapsed / static_cast<double>(frequency_) * kFramesPerSecond < minimumFrames_) return false;
    last_ = now;
    return true;
  }

  // Microseconds until the next frame is due (0 when it is due now), for sleeping in between.
  std::int64_t microsecondsUntilDue(std::int64_t now) const {
    if (frequency_ <= 0 || !started_) return 0;
    const double frame = static_cast<double>(frequency_) / kFramesPerSecond * minimumFrames_;
    const double left = frame - static_cast<double>(now - last_);
    if (left <= 0) return 0;
    return static_cast<std::int64_t>(std::ceil(left * 1e6 / static_cast<double>(frequency_)));
  }

 private:
  std::int64_t frequency_;
  double minimumFrames_;
  std::int64_t last_ = 0;
  bool started_ = false;
};

}  // namespace tavrik
