// What a frame puts on the screen, as data: the pictures (or cells of pictures) drawn back to front.
// The scene compares a frame's list with the last one drawn to know whether anything changed, and
// draws the same list.
#pragma once

#include <bit>
#include <cstdint>
#include <vector>

#include "scene/matrix.h"

namespace tavrik {

class TiledImage;

struct PictureDraw {
  TiledImage* image = nullptr;
  std::uint64_t version = 0;  // the picture's version when the list was made
  // Where the source rectangle's top left lands before the matrix, and its alignment (0 left/top,
  // 1 centre, 2 right/bottom).
  float x = 0;
  float y = 0;
  std::int32_t srcX = 0;
  std::int32_t srcY = 0;
  std::int32_t srcW = 0;
  std::int32_t srcH = 0;
  std::int32_t alignX = 0;
  std::int32_t alignY = 0;
  std::uint32_t colour = 0;  // ARGB multiplying the texels
  Matrix4 matrix;

  // Equal to the bit: a value that stays NaN is no change.
  bool operator==(const PictureDraw& o) const {
    auto same = [](float a, float b) {
      return std::bit_cast<std::uint32_t>(a) == std::bit_cast<std::uint32_t>(b);
    };
    if (image != o.image || version != o.version || !same(x, o.x) || !same(y, o.y) || srcX != o.srcX ||
        srcY != o.srcY || srcW != o.srcW || srcH != o.srcH || alignX != o.alignX || alignY != o.alignY ||
        colour != o.colour)
      return false;
    for (std::size_t i = 0; i < matrix.m.size(); ++i) {
      if (!same(matrix.m[i], o.matrix.m[i])) return false;
    }
    return true;
  }
};

using DrawList = std::vector<PictureDraw>;

}  // namespace tavrik
