// 4x4 affine transforms in row-vector convention (a point is multiplied on the left), the arithmetic
// layers and characters are placed with.
#pragma once

#include <array>
#include <cmath>

namespace tavrik {

// 2 x pi in single precision, as turns were always converted.
inline constexpr float kTwoPi = 6.2831855f;

struct Matrix4 {
  std::array<float, 16> m{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

  float& at(int row, int col) { return m[static_cast<std::size_t>(row * 4 + col)]; }
  float at(int row, int col) const { return m[static_cast<std::size_t>(row * 4 + col)]; }

  static Matrix4 translation(float x, float y, float z) {
    Matrix4 r;
    r.at(3, 0) = x;
    r.at(3, 1) = y;
    r.at(3, 2) = z;
    return r;
  }
  static Matrix4 scaling(float sx, float sy, float sz) {
    Matrix4 r;
    r.at(0, 0) = sx;
    r.at(1, 1) = sy;
    r.at(2, 2) = sz;
    return r;
  }
  // Scaled by (sx, sy), then turned clockwise by `turns` whole turns, about the point (cx, cy).
  static Matrix4 aboutPoint(float cx, float cy, float sx, float sy, float turns) {
    return translation(-cx, -cy, 0) * scaling(sx, sy, 0) * rotationTurns(turns) * translation(cx, cy, 0);
  }
  // Turned clockwise (on a screen whose y points down) by whole turns. Only the part of a turn counts,
  // so that T = 1 is exactly T = 0; quarter turns are exact, so that a picture turned by one lands on
  // whole texels as it does unturned.
  static Matrix4 rotationTurns(float turns) {
    float part = turns - std::floor(turns);
    if (!(part >= 0.0f && part < 1.0f)) part = 0.0f;  // an infinite or undefined turn does not turn
    Matrix4 r;
    float c = 0, s = 0;
    const float quarters = part * 4.0f;
    if (quarters == std::floor(quarters)) {
      static constexpr float kCos[4] = {1, 0, -1, 0}, kSin[4] = {0, 1, 0, -1};
      c = kCos[static_cast<int>(quarters)];
      s = kSin[static_cast<int>(quarters)];
    } else {
      c = std::cos(part * kTwoPi);
      s = std::sin(part * kTwoPi);
    }
    r.at(0, 0) = c;
    r.at(0, 1) = s;
    r.at(1, 0) = -s;
    r.at(1, 1) = c;
    return r;
  }

  // this x other: other is applied after this.
  Matrix4 operator*(const Matrix4& o) const {
    Matrix4 r;
    for (int i = 0; i < 4; ++i) {
      for (int j = 0; j < 4; ++j) {
        float sum = 0;
        for (int k = 0; k < 4; ++k) sum += at(i, k) * o.at(k, j);
        r.at(i, j) = sum;
      }
    }
    return r;
  }

  // The 2-D point (x, y, 0, 1) transformed; x and y of the result.
  void transform(float x, float y, float& outX, float& outY) const {
    outX = x * at(0, 0) + y * at(1, 0) + at(3, 0);
    outY = x * at(0, 1) + y * at(1, 1) + at(3, 1);
  }

  bool operator==(const Matrix4&) const = default;
};

}  // namespace tavrik
