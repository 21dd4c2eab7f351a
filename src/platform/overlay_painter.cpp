#include "platform/overlay_painter.h"

#include <imgui.h>

#include <algorithm>
#include <cmath>

#include "platform/blend_rows.h"
#include "platform/graphics_device.h"
#include "platform/worker_pool.h"

namespace tavrik {

namespace {

// Positions are snapped to a 1/256-pixel grid and worked in whole numbers: an edge two triangles share
// then falls exactly the same way for both.
constexpr std::int64_t kSub = 256;
constexpr std::int64_t kHalf = kSub / 2;
// A vertex further than this many pixels from the canvas is a fault of the lists: its triangle is left
// out, which keeps the whole-number arithmetic within 64 bits.
constexpr double kFar = 1 << 20;
// Rows painted together: about 100 KB of an 800-pixel canvas.
constexpr int kBand = 32;
// From about a screen's worth of pixels the bands are shared among threads.
constexpr std::size_t kShared = std::size_t{400} * 300;

std::int64_t floorDiv(std::int64_t a, std::int64_t b) {  // b > 0
  return a >= 0 ? a / b : -((-a + b - 1) / b);
}
std::int64_t ceilDiv(std::int64_t a, std::int64_t b) {  // b > 0
  return -floorDiv(-a, b);
}

// Dear ImGui's colour (red in the low byte, straight alpha) as premultiplied ARGB.
std::uint32_t premultipliedOf(ImU32 c) {
  return blend::premultiplied((c & 0xFF00FF00u) | ((c & 0xFFu) << 16) | ((c >> 16) & 0xFFu));
}

// The texel under texture coordinate uv along a side of size texels.
int texelIndex(double uv, int size) {
  const double at = std::floor(uv * size);
  if (!(at > 0)) return 0;  // not a number too
  return at >= size - 1 ? size - 1 : static_cast<int>(at);
}

std::uint32_t texelAt(const PaintTexture& t, int s, int u) {
  const std::size_t at =
      static_cast<std::size_t>(u) * static_cast<std::size_t>(t.width) + static_cast<std::size_t>(s);
  return t.alpha ? t.alpha[at] * 0x01010101u : t.argb[at];
}

// What the lists draw, one rectangle or triangle at a time, with the rows it may touch.
struct Shape {
  const ImDrawVert* corner[3];  // a triangle's, or a rectangle's a, b and c
  const PaintTexture* texture;
  int clipX0, clipY0, clipX1, clipY1;  // within the canvas and the shape's rows
  bool rectangle;
};

class Painter {
 public:
  Painter(const ImDrawData& data, const OverlayCanvas& canvas) : data_(data), canvas_(canvas) {}

  // The shapes of the lists in order, those wholly clipped away left out; about how many pixels they
  // cover.
  std::size_t gather(std::vector<Shape>& shapes) {
    std::size_t work = 0;
    for (int n = 0; n < data_.CmdListsCount; ++n) {
      const ImDrawList& list = *data_.CmdLists[n];
      for (const ImDrawCmd& cmd : list.CmdBuffer) {
        if (cmd.UserCallback) continue;  // the interface sets none
        if (!clipTo(cmd.ClipRect)) continue;
        const auto* texture = static_cast<const PaintTexture*>(cmd.GetTexID());
        if (texture && (texture->width <= 0 || texture->height <= 0)) continue;
        const ImDrawVert* v = list.VtxBuffer.Data + cmd.VtxOffset;
        const ImDrawIdx* idx = list.IdxBuffer.Data + cmd.IdxOffset;
        const unsigned count = cmd.ElemCount;
        for (unsigned k = 0; k + 3 <= count;) {
          Shape shape{{&v[idx[k]], &v[idx[k + 1]], &v[idx[k + 2]]},
                      texture,
                      clipX0_,
                      clipY0_,
                      clipX1_,
                      clipY1_,
                      false};
          if (k + 6 <= count && isRectangle(v, idx + k)) {
            shape.rectangle = true;
            k += 6;
          } else {
            k += 3;
          }
          // The rows the shape's corners span, give or take one (a rectangle's a and c span it).
          float top = shape.corner[0]->pos.y, bottom = top;
          float left = shape.corner[0]->pos.x, right = left;
          for (const ImDrawVert* c : shape.corner) {
            top = std::min(top, c->pos.y);
            bottom = std::max(bottom, c->pos.y);
            left = std::min(left, c->pos.x);
            right = std::max(right, c->pos.x);
          }
          const float from = (top - data_.DisplayPos.y) * data_.FramebufferScale.y - 1;
          const float to = (bottom - data_.DisplayPos.y) * data_.FramebufferScale.y + 1;
          if (!(to >= static_cast<float>(shape.clipY0) && from < static_cast<float>(shape.clipY1))) continue;
          if (from > static_cast<float>(shape.clipY0)) shape.clipY0 = static_cast<int>(from);
          if (to < static_cast<float>(shape.clipY1)) shape.clipY1 = static_cast<int>(to) + 1;
          const float width = std::min((right - data_.DisplayPos.x) * data_.FramebufferScale.x,
                                       static_cast<float>(shape.clipX1)) -
                              std::max((left - data_.DisplayPos.x) * data_.FramebufferScale.x,
                                       static_cast<float>(shape.clipX0));
          if (width > 0)
            work +=
                static_cast<std::size_t>(width + 1) * static_cast<std::size_t>(shape.clipY1 - shape.clipY0);
          shapes.push_back(shape);
        }
      }
    }
    return work;
  }

  // Draws the parts of the shapes named within rows top to bottom.
  void paintRows(const std::vector<Shape>& shapes, const std::vector<std::uint32_t>& which, int top,
                 int bottom) {
    for (std::uint32_t k : which) {
      const Shape& s = shapes[k];
      clipY0_ = std::max(s.clipY0, top);
      clipY1_ = std::min(s.clipY1, bottom);
      if (clipY0_ >= clipY1_) continue;
      clipX0_ = s.clipX0;
      clipX1_ = s.clipX1;
      texture_ = s.texture;
      if (s.rectangle)
        rectangle(*s.corner[0], *s.corner[2]);
      else
        triangle(*s.corner[0], *s.corner[1], *s.corner[2]);
    }
  }

 private:
  bool clipTo(const ImVec4& rect) {
    const ImVec2 off = data_.DisplayPos, scale = data_.FramebufferScale;
    const float x0 = (rect.x - off.x) * scale.x, y0 = (rect.y - off.y) * scale.y;
    const float x1 = (rect.z - off.x) * scale.x, y1 = (rect.w - off.y) * scale.y;
    if (!(x1 > x0 && y1 > y0)) return false;
    clipX0_ = static_cast<int>(std::clamp(x0, 0.0f, static_cast<float>(canvas_.width)));
    clipY0_ = static_cast<int>(std::clamp(y0, 0.0f, static_cast<float>(canvas_.height)));
    clipX1_ = static_cast<int>(std::clamp(x1, 0.0f, static_cast<float>(canvas_.width)));
    clipY1_ = static_cast<int>(std::clamp(y1, 0.0f, static_cast<float>(canvas_.height)));
    return clipX1_ > clipX0_ && clipY1_ > clipY0_;
  }

  // A position on the canvas in 1/kSub pixels; false when it is too far off to be real.
  bool snap(const ImVec2& p, std::int64_t& x, std::int64_t& y) const {
    const double px = (static_cast<double>(p.x) - data_.DisplayPos.x) * data_.FramebufferScale.x;
    const double py = (static_cast<double>(p.y) - data_.DisplayPos.y) * data_.FramebufferScale.y;
    if (!(std::abs(px) < kFar && std::abs(py) < kFar)) return false;
    x = nearest(px * kSub);
    y = nearest(py * kSub);
    return true;
  }

  // The whole number nearest to x, halves away from zero, without a call into the maths library.
  static std::int64_t nearest(double x) {
    const auto whole = static_cast<std::int64_t>(x);  // towards zero
    const double rest = x - static_cast<double>(whole);
    return rest >= 0.5 ? whole + 1 : rest <= -0.5 ? whole - 1 : whole;
  }

  std::uint32_t* row(int y) const { return canvas_.pixels + static_cast<std::ptrdiff_t>(y) * canvas_.pitch; }

  // The pixels [first, last) whose centres lie from low to below high, in 1/kSub pixels.
  static void centresWithin(std::int64_t low, std::int64_t high, std::int64_t& first, std::int64_t& last) {
    first = ceilDiv(low - kHalf, kSub);
    last = ceilDiv(high - kHalf, kSub);
  }

  // Whether six indices are two triangles that make an axis-aligned rectangle of one colour, as Dear
  // ImGui writes its rectangles and glyphs (corners a, b, c, d clockwise; triangles a b c and a c d).
  // Such a rectangle is drawn as one, a row at a time.
  static bool isRectangle(const ImDrawVert* v, const ImDrawIdx* idx) {
    if (idx[3] != idx[0] || idx[4] != idx[2]) return false;
    const ImDrawVert &a = v[idx[0]], &b = v[idx[1]], &c = v[idx[2]], &d = v[idx[5]];
    if (a.col != b.col || a.col != c.col || a.col != d.col) return false;
    if (a.pos.y != b.pos.y || b.pos.x != c.pos.x || c.pos.y != d.pos.y || d.pos.x != a.pos.x ||
        a.pos.x == b.pos.x || a.pos.y == d.pos.y)
      return false;
    return a.uv.y == b.uv.y && b.uv.x == c.uv.x && c.uv.y == d.uv.y && d.uv.x == a.uv.x;
  }

  // The rectangle of corners a and c.
  void rectangle(const ImDrawVert& a, const ImDrawVert& c) {
    std::int64_t ax, ay, cx, cy;
    if (!snap(a.pos, ax, ay) || !snap(c.pos, cx, cy)) return;
    std::int64_t i0, i1, j0, j1;
    centresWithin(std::min(ax, cx), std::max(ax, cx), i0, i1);
    centresWithin(std::min(ay, cy), std::max(ay, cy), j0, j1);
    const int first = static_cast<int>(std::max<std::int64_t>(i0, clipX0_));
    const int end = static_cast<int>(std::min<std::int64_t>(i1, clipX1_));
    const int top = static_cast<int>(std::max<std::int64_t>(j0, clipY0_));
    const int bottom = static_cast<int>(std::min<std::int64_t>(j1, clipY1_));
    const std::uint32_t colour = premultipliedOf(a.col);
    if (first >= end || top >= bottom || colour == 0) return;
    const int width = end - first;

    if (!texture_ || (a.uv.x == c.uv.x && a.uv.y == c.uv.y)) {
      const std::uint32_t solid =
          texture_ ? blend::multiplied(texelAt(*texture_, texelIndex(a.uv.x, texture_->width),
                                               texelIndex(a.uv.y, texture_->height)),
                                       colour)
                   : colour;
      for (int y = top; y < bottom; ++y) blend::overSolid(row(y) + first, solid, width);
      return;
    }

    // Texture coordinates at pixel centres, the map being linear from corner a to corner c.
    const double x0 = static_cast<double>(ax) / kSub, y0 = static_cast<double>(ay) / kSub;
    const double du = (c.uv.x - a.uv.x) / (static_cast<double>(cx - ax) / kSub);
    const double dv = (c.uv.y - a.uv.y) / (static_cast<double>(cy - ay) / kSub);
    columns_.resize(static_cast<std::size_t>(width));
    for (int i = 0; i < width; ++i)
      columns_[static_cast<std::size_t>(i)] =
          texelIndex(a.uv.x + (first + i + 0.5 - x0) * du, texture_->width);
    // A texel a pixel, as glyphs and thumbnails are drawn: the columns are a run.
    const bool run = columns_.back() - columns_.front() == width - 1;
    if (texture_->alpha) shadesOf(colour);
    span_.resize(static_cast<std::size_t>(width));
    for (int y = top; y < bottom; ++y) {
      const int t = texelIndex(a.uv.y + (y + 0.5 - y0) * dv, texture_->height);
      const std::ptrdiff_t rowStart = static_cast<std::ptrdiff_t>(t) * texture_->width;
      if (texture_->alpha) {
        const std::uint8_t* coverage = texture_->alpha + rowStart;
        if (run) {
          coverage += columns_.front();
          for (int i = 0; i < width; ++i) span_[static_cast<std::size_t>(i)] = shades_[coverage[i]];
        } else {
          for (int i = 0; i < width; ++i)
            span_[static_cast<std::size_t>(i)] = shades_[coverage[columns_[static_cast<std::size_t>(i)]]];
        }
      } else {
        const std::uint32_t* texels = texture_->argb.data() + rowStart;
        if (run && colour == 0xFFFFFFFFu) {
          blend::over(row(y) + first, texels + columns_.front(), width);
          continue;
        }
        for (int i = 0; i < width; ++i)
          span_[static_cast<std::size_t>(i)] =
              blend::multiplied(texels[columns_[static_cast<std::size_t>(i)]], colour);
      }
      blend::over(row(y) + first, span_.data(), width);
    }
  }

  // The colour at each coverage of the font atlas, kept while the colour stays (a text's glyphs).
  void shadesOf(std::uint32_t colour) {
    if (colour == shadesColour_) return;
    shadesColour_ = colour;
    for (std::uint32_t k = 0; k < 256; ++k) shades_[k] = blend::multiplied(k * 0x01010101u, colour);
  }

  void triangle(const ImDrawVert& va, const ImDrawVert& vb, const ImDrawVert& vc) {
    const ImDrawVert* vert[3] = {&va, &vb, &vc};
    std::int64_t x[3], y[3];
    for (int k = 0; k < 3; ++k)
      if (!snap(vert[k]->pos, x[k], y[k])) return;
    std::int64_t area = (x[1] - x[0]) * (y[2] - y[0]) - (y[1] - y[0]) * (x[2] - x[0]);
    if (area == 0) return;
    if (area < 0) {  // turned the other way: the same triangle, its corners in the usual order
      std::swap(vert[1], vert[2]);
      std::swap(x[1], x[2]);
      std::swap(y[1], y[2]);
      area = -area;
    }
    std::int64_t i0, i1, j0, j1;
    centresWithin(std::min({x[0], x[1], x[2]}), std::max({x[0], x[1], x[2]}) + 1, i0, i1);
    centresWithin(std::min({y[0], y[1], y[2]}), std::max({y[0], y[1], y[2]}) + 1, j0, j1);
    const std::int64_t left = std::max<std::int64_t>(i0, clipX0_),
                       right = std::min<std::int64_t>(i1, clipX1_);
    const std::int64_t top = std::max<std::int64_t>(j0, clipY0_),
                       bottom = std::min<std::int64_t>(j1, clipY1_);
    if (left >= right || top >= bottom) return;

    // Edge k, opposite corner k: e(X, Y) = a X + b Y + c, positive inside and equal to the triangle's
    // area at corner k, so that e / area is corner k's weight. A pixel centre on an edge belongs to
    // the triangle on the edge's one side only.
    struct Edge {
      std::int64_t a, b, c, bias;
    } edge[3];
    for (int k = 0; k < 3; ++k) {
      const int p = (k + 1) % 3, q = (k + 2) % 3;
      const std::int64_t dx = x[q] - x[p], dy = y[q] - y[p];
      edge[k] = {-dy, dx, dy * x[p] - dx * y[p], (dy < 0 || (dy == 0 && dx > 0)) ? 0 : 1};
    }

    const bool oneColour = va.col == vb.col && va.col == vc.col;
    const bool oneTexel =
        !texture_ || (va.uv.x == vb.uv.x && va.uv.x == vc.uv.x && va.uv.y == vb.uv.y && va.uv.y == vc.uv.y);
    std::uint32_t solid = 0;
    if (oneColour && oneTexel) {
      solid = premultipliedOf(va.col);
      if (texture_)
        solid = blend::multiplied(
            texelAt(*texture_, texelIndex(va.uv.x, texture_->width), texelIndex(va.uv.y, texture_->height)),
            solid);
      if (solid == 0) return;
    }

    for (std::int64_t j = top; j < bottom; ++j) {
      const std::int64_t cy = j * kSub + kHalf;
      std::int64_t first = left, last = right - 1;
      for (const Edge& e : edge) {
        // a (i kSub + kHalf) + b cy + c >= bias, for the whole pixels i.
        const std::int64_t need = e.bias - e.b * cy - e.c - e.a * kHalf;
        if (e.a > 0)
          first = std::max(first, ceilDiv(need, e.a * kSub));
        else if (e.a < 0)
          last = std::min(last, floorDiv(-need, -e.a * kSub));
        else if (need > 0)
          last = first - 1;
      }
      if (first > last) continue;
      const int n = static_cast<int>(last - first + 1);
      span_.resize(static_cast<std::size_t>(n));
      if (oneColour && oneTexel) {
        std::fill(span_.begin(), span_.end(), solid);
      } else {
        for (int i = 0; i < n; ++i) {
          const std::int64_t cx = (first + i) * kSub + kHalf;
          double w[3];
          for (int k = 0; k < 3; ++k)
            w[k] =
                static_cast<double>(edge[k].a * cx + edge[k].b * cy + edge[k].c) / static_cast<double>(area);
          span_[static_cast<std::size_t>(i)] = shade(vert, w, oneColour, oneTexel);
        }
      }
      blend::over(row(static_cast<int>(j)) + first, span_.data(), n);
    }
  }

  // The premultiplied colour at a point of a triangle with corner weights w.
  std::uint32_t shade(const ImDrawVert* const (&vert)[3], const double (&w)[3], bool oneColour,
                      bool oneTexel) const {
    ImU32 colour = vert[0]->col;
    if (!oneColour) {
      colour = 0;
      for (int shift = 0; shift < 32; shift += 8) {
        double channel = 0;
        for (int k = 0; k < 3; ++k) channel += w[k] * static_cast<double>((vert[k]->col >> shift) & 0xFF);
        colour |= static_cast<ImU32>(std::clamp(std::lround(channel), 0L, 255L)) << shift;
      }
    }
    const std::uint32_t premultiplied = premultipliedOf(colour);
    if (!texture_) return premultiplied;
    double u = vert[0]->uv.x, v = vert[0]->uv.y;
    if (!oneTexel) {
      u = w[0] * vert[0]->uv.x + w[1] * vert[1]->uv.x + w[2] * vert[2]->uv.x;
      v = w[0] * vert[0]->uv.y + w[1] * vert[1]->uv.y + w[2] * vert[2]->uv.y;
    }
    return blend::multiplied(
        texelAt(*texture_, texelIndex(u, texture_->width), texelIndex(v, texture_->height)), premultiplied);
  }

  const ImDrawData& data_;
  const OverlayCanvas& canvas_;
  const PaintTexture* texture_ = nullptr;
  int clipX0_ = 0, clipY0_ = 0, clipX1_ = 0, clipY1_ = 0;
  std::vector<std::uint32_t> span_;
  std::uint32_t shades_[256] = {0};
  std::uint32_t shadesColour_ = 0;  // shades_ of nothing are all clear
  std::vector<int> columns_;
};

}  // namespace

void paintDrawData(const ImDrawData& data, const OverlayCanvas& canvas) {
  if (!canvas.pixels || canvas.width <= 0 || canvas.height <= 0) return;
  // Painted a band of rows at a time, each with the shapes over it in their order: the band stays in
  // the processor's cache while a screen's full-size layers (the dimming, the panel) are blended over
  // it, and the bands can be shared out between threads.
  // (Kept from one frame to the next, for their memory; the threads read the caller's.)
  thread_local std::vector<Shape> keptShapes;
  thread_local std::vector<std::vector<std::uint32_t>> keptBands;
  std::vector<Shape>& shapes = keptShapes;
  std::vector<std::vector<std::uint32_t>>& bands = keptBands;
  shapes.clear();
  const std::size_t work = Painter(data, canvas).gather(shapes);
  const int count = (canvas.height + kBand - 1) / kBand;
  bands.resize(static_cast<std::size_t>(count));
  for (auto& band : bands) band.clear();
  for (std::uint32_t k = 0; k < shapes.size(); ++k)
    for (int b = shapes[k].clipY0 / kBand; b <= (shapes[k].clipY1 - 1) / kBand; ++b)
      bands[static_cast<std::size_t>(b)].push_back(k);
  const auto paintBand = [&](int b) {
    Painter(data, canvas)
        .paintRows(shapes, bands[static_cast<std::size_t>(b)], b * kBand,
                   std::min(canvas.height, (b + 1) * kBand));
  };
  // A bar or a box alone is painted sooner than the other threads would wake.
  WorkerPool* pool = work >= kShared && canvas.threads ? canvas.threads() : nullptr;
  if (pool)
    pool->run(count, paintBand);
  else
    for (int b = 0; b < count; ++b) paintBand(b);
}

}  // namespace tavrik
