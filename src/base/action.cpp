#include "base/action.h"

#include <limits>

namespace tavrik {

std::int32_t truncateToInt(float value) {
  if (!(value == value)) return 0;
  if (value >= 2147483647.0f) return std::numeric_limits<std::int32_t>::max();
  if (value <= -2147483648.0f) return std::numeric_limits<std::int32_t>::min();
  return static_cast<std::int32_t>(value);
}

int actionAttributeIndex(std::string_view name) {
  for (std::size_t i = 0; i < std::size(kActionAttributeNames); ++i) {
    if (kActionAttributeNames[i] == name) return static_cast<int>(i);
  }
  return -1;
}

}  // namespace tavrik
