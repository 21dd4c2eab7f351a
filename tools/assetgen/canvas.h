// A small anti-aliased painter for the pictures the player ships: shapes filled with a colour or a
// function of the position, blended over what is there.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <vector>

#include "platform/image_decoder.h"

namespace assetgen {

struct Rgba {
  double r, g, b, a;  // 0..1
};

inline Rgba rgb(int r, int g, int b, double a = 1.0) {
  return {r / 255.0, g / 255.0, b / 255.0, a};
}
inline Rgba mix(Rgba p, Rgba q, double t) {
  return {p.r + (q.r - p.r) * t, p.g + (q.g - p.g) * t, p.b + (q.b - p.b) * t, p.a + (q.a - p.a) * t};
}

class Canvas {
 public:
  Canvas(int w, int h) : w_(w), h_(h), px_(static_cast<std::size_t>(w) * h, Rgba{0, 0, 0, 0}) {}
  int width() const { return w_; }
  int height() const { return h_; }
  Rgba& at(int x, int y) { return px_[static_cast<std::size_t>(y) * w_ + x]; }

  void blend(int x, int y, Rgba c, double coverage) {
    if (x < 0 || y < 0 || x >= w_ || y >= h_ || coverage <= 0) return;
    Rgba& d = at(x, y);
    const double sa = c.a * std::min(1.0, coverage);
    const double oa = sa + d.a * (1 - sa);
    auto m = [&](double s, double dd) { return oa > 0 ? (s * sa + dd * d.a * (1 - sa)) / oa : 0; };
    d = {m(c.r, d.r), m(c.g, d.g), m(c.b, d.b), oa};
  }

  // Every pixel from a function of its position.
  void fill(const std::function<Rgba(double x, double y)>& f) {
    for (int y = 0; y < h_; ++y)
      for (int x = 0; x < w_; ++x) blend(x, y, f(x + 0.5, y + 0.5), 1.0);
  }

  // Any shape given by an inside test, within a bounding box, 4 x 4 supersampled.
  void shape(double x0, double y0, double x1, double y1, const std::function<bool(double, double)>& inside,
             const std::function<Rgba(double, double)>& colour) {
    for (int y = std::max(0, static_cast<int>(y0)); y <= std::min(h_ - 1, static_cast<int>(y1)); ++y) {
      for (int x = std::max(0, static_cast<int>(x0)); x <= std::min(w_ - 1, static_cast<int>(x1)); ++x) {
        int n = 0;
        for (int sy = 0; sy < 4; ++sy)
          for (int sx = 0; sx < 4; ++sx) n += inside(x + (sx + 0.5) / 4, y + (sy + 0.5) / 4) ? 1 : 0;
        if (n) blend(x, y, colour(x + 0.5, y + 0.5), n / 16.0);
      }
    }
  }

  void ellipse(double cx, double cy, double rx, double ry, Rgba c) {
    shape(
        cx - rx, cy - ry, cx + rx, cy + ry,
        [=](double x, double y) {
          return ((x - cx) * (x - cx)) / (rx * rx) + ((y - cy) * (y - cy)) / (ry * ry) <= 1;
        },
        [=](double, double) { return c; });
  }

  void roundedRect(double x0, double y0, double x1, double y1, double radius,
                   const std::function<Rgba(double, double)>& colour) {
    shape(
        x0, y0, x1, y1,
        [=](double x, double y) {
          const double cx = std::clamp(x, x0 + radius, x1 - radius),
                       cy = std::clamp(y, y0 + radius, y1 - radius);
          return x >= x0 && x <= x1 && y >= y0 && y <= y1 && std::hypot(x - cx, y - cy) <= radius;
        },
        colour);
  }
  void roundedRect(double x0, double y0, double x1, double y1, double radius, Rgba c) {
    roundedRect(x0, y0, x1, y1, radius, [=](double, double) { return c; });
  }

  // A convex or concave polygon, even-odd rule.
  void polygon(const std::vector<std::pair<double, double>>& p, Rgba c) {
    double x0 = 1e9, y0 = 1e9, x1 = -1e9, y1 = -1e9;
    for (auto [x, y] : p) {
      x0 = std::min(x0, x);
      y0 = std::min(y0, y);
      x1 = std::max(x1, x);
      y1 = std::max(y1, y);
    }
    shape(
        x0, y0, x1, y1,
        [&](double x, double y) {
          bool in = false;
          for (std::size_t i = 0, j = p.size() - 1; i < p.size(); j = i++) {
            if ((p[i].second > y) != (p[j].second > y) &&
                x < (p[j].first - p[i].first) * (y - p[i].second) / (p[j].second - p[i].second) + p[i].first)
              in = !in;
          }
          return in;
        },
        [=](double, double) { return c; });
  }

  // A thick line with round ends.
  void line(double xa, double ya, double xb, double yb, double width, Rgba c) {
    const double r = width / 2;
    shape(
        std::min(xa, xb) - r, std::min(ya, yb) - r, std::max(xa, xb) + r, std::max(ya, yb) + r,
        [=](double x, double y) {
          const double dx = xb - xa, dy = yb - ya, len2 = dx * dx + dy * dy;
          const double t = len2 > 0 ? std::clamp(((x - xa) * dx + (y - ya) * dy) / len2, 0.0, 1.0) : 0;
          return std::hypot(x - (xa + t * dx), y - (ya + t * dy)) <= r;
        },
        [=](double, double) { return c; });
  }

  tavrik::DecodedImage image() const {
    tavrik::DecodedImage out{w_, h_, std::vector<std::uint32_t>(px_.size())};
    for (std::size_t i = 0; i < px_.size(); ++i) {
      auto ch = [](double v) {
        return static_cast<std::uint32_t>(std::lround(std::clamp(v, 0.0, 1.0) * 255));
      };
      out.pixels[i] = (ch(px_[i].a) << 24) | (ch(px_[i].r) << 16) | (ch(px_[i].g) << 8) | ch(px_[i].b);
    }
    return out;
  }

 private:
  int w_, h_;
  std::vector<Rgba> px_;
};

}  // namespace assetgen
