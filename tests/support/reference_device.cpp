#include "support/reference_device.h"

#include <algorithm>
#include <cmath>

#include "platform/display_window.h"
#include "platform/image_decoder.h"

namespace tavrik::test {

namespace {

// The texels as they were given: straight alpha.
class ReferenceTexture : public DeviceTexture {
 public:
  ReferenceTexture(int columns, int rows)
      : width(columns),
        height(rows),
        texels(static_cast<std::size_t>(columns) * static_cast<std::size_t>(rows)) {}
  bool valid() const override { return true; }
  void upload(const std::uint32_t* argb, int pitch) override {
    for (int y = 0; y < height; ++y)
      std::copy(argb + static_cast<std::ptrdiff_t>(y) * pitch,
                argb + static_cast<std::ptrdiff_t>(y) * pitch + width,
                texels.begin() + static_cast<std::ptrdiff_t>(y) * width);
  }
  int width;
  int height;
  std::vector<std::uint32_t> texels;
};

double channel(std::uint32_t argb, int shift) {
  return static_cast<double>((argb >> shift) & 0xFF) / 255.0;
}

constexpr double kNear = 1e-3;

}  // namespace

ReferenceDevice::ReferenceDevice()
    : GraphicsDevice(nullptr),
      frame_(static_cast<std::size_t>(kWidth) * kHeight, {0, 0, 0}),
      ambiguous_(static_cast<std::size_t>(kWidth) * kHeight, false) {}

void ReferenceDevice::clear(std::uint32_t argb) {
  std::fill(frame_.begin(), frame_.end(),
            std::array<double, 3>{channel(argb, 16), channel(argb, 8), channel(argb, 0)});
  std::fill(ambiguous_.begin(), ambiguous_.end(), false);
}

std::unique_ptr<DeviceTexture> ReferenceDevice::createTexture(int width, int height) {
  return std::make_unique<ReferenceTexture>(width, height);
}

void ReferenceDevice::drawQuad(DeviceTexture& deviceTexture, const QuadCorner (&corners)[4],
                               std::uint32_t colour, bool blend) {
  const auto& texture = static_cast<ReferenceTexture&>(deviceTexture);
  const QuadCorner &tl = corners[0], &tr = corners[1], &bl = corners[2], &br = corners[3];
  // The source rectangle in texels, and the map from texels to the screen: p = tl + (s - s0) e + (t - t0) f.
  const double s0 = std::round(tl.u * texture.width), s1 = std::round(tr.u * texture.width);
  const double t0 = std::round(tl.v * texture.height), t1 = std::round(bl.v * texture.height);
  if (s1 <= s0 || t1 <= t0) return;
  const double ex = (static_cast<double>(tr.x) - tl.x) / (s1 - s0),
               ey = (static_cast<double>(tr.y) - tl.y) / (s1 - s0);
  const double fx = (static_cast<double>(bl.x) - tl.x) / (t1 - t0),
               fy = (static_cast<double>(bl.y) - tl.y) / (t1 - t0);
  const double det = ex * fy - fx * ey;
  if (std::abs(det) < 1e-12) return;
  // The edges on the quad's left and top on the screen belong to it, those on its right and bottom do
  // not: s's low edge is a left (or top) edge where s grows to the right (or, along the rows, downwards).
  const double dsdx = fy / det, dsdy = -fx / det, dtdx = -ey / det, dtdy = ex / det;
  const bool sLowIn = dsdx > 0 || (dsdx == 0 && dsdy > 0);
  const bool tLowIn = dtdx > 0 || (dtdx == 0 && dtdy > 0);
  // How far s and t move for a pixel's step across the screen.
  const double sPerPixel = std::hypot(fy, fx) / std::abs(det), tPerPixel = std::hypot(ey, ex) / std::abs(det);
  const QuadCorner* ring[4] = {&tl, &tr, &br, &bl};
  double minX = tl.x, maxX = tl.x, minY = tl.y, maxY = tl.y;
  for (const QuadCorner* c : ring) {
    minX = std::min<double>(minX, c->x);
    maxX = std::max<double>(maxX, c->x);
    minY = std::min<double>(minY, c->y);
    maxY = std::max<double>(maxY, c->y);
  }
  const int iFirst = std::max(0, static_cast<int>(std::floor(minX)) - 1);
  const int iLast = std::min(kWidth - 1, static_cast<int>(std::ceil(maxX)) + 1);
  const int jFirst = std::max(0, static_cast<int>(std::floor(minY)) - 1);
  const int jLast = std::min(kHeight - 1, static_cast<int>(std::ceil(maxY)) + 1);
  for (int j = jFirst; j <= jLast; ++j) {
    for (int i = iFirst; i <= iLast; ++i) {
      const double px = i - static_cast<double>(tl.x), py = j - static_cast<double>(tl.y);
      const double s = s0 + (fy * px - fx * py) / det, t = t0 + (ex * py - ey * px) / det;
      // Far from the quad: nothing to do.
      if (s < s0 - 1 || s > s1 + 1 || t < t0 - 1 || t > t1 + 1) continue;
      // Near an edge between texels: within 1/1000 of a texel, or of a pixel (a texel edge moves by the
      // texel's size on the screen, whatever that is).
      const double ds = std::abs(s - std::round(s)), dt = std::abs(t - std::round(t));
      bool nearEdge = ds < kNear || dt < kNear || ds < kNear * sPerPixel || dt < kNear * tPerPixel;
      for (int k = 0; k < 4; ++k) {
        const QuadCorner& a = *ring[k];
        const QuadCorner& b = *ring[(k + 1) % 4];
        const double dx = static_cast<double>(b.x) - a.x, dy = static_cast<double>(b.y) - a.y;
        const double length = std::hypot(dx, dy);
        if (length > 0 && std::abs(dx * (j - a.y) - dy * (i - a.x)) / length < kNear) nearEdge = true;
      }
      if (nearEdge) ambiguous_[index(i, j)] = true;
      if (!(sLowIn ? s >= s0 && s < s1 : s > s0 && s <= s1) ||
          !(tLowIn ? t >= t0 && t < t1 : t > t0 && t <= t1))
        continue;
      const double column = sLowIn ? std::floor(s) : std::ceil(s) - 1,
                   row = tLowIn ? std::floor(t) : std::ceil(t) - 1;
      const std::uint32_t texel =
          texture.texels[static_cast<std::size_t>(row) * texture.width + static_cast<std::size_t>(column)];
      const double alpha = blend ? channel(texel, 24) * channel(colour, 24) : 1.0;
      std::array<double, 3>& dst = frame_[index(i, j)];
      for (int c = 0; c < 3; ++c) {
        const int shift = 16 - 8 * c;
        const double src = channel(texel, shift) * channel(colour, shift);
        dst[static_cast<std::size_t>(c)] = src * alpha + dst[static_cast<std::size_t>(c)] * (1.0 - alpha);
      }
    }
  }
}

std::uint32_t ReferenceDevice::pixelAt(int x, int y) const {
  if (x < 0 || y < 0 || x >= kWidth || y >= kHeight) return 0;
  const std::array<double, 3>& p = frame_[index(x, y)];
  auto byte = [](double v) {
    return static_cast<std::uint32_t>(std::lround(std::clamp(v, 0.0, 1.0) * 255.0));
  };
  return 0xFF000000u | byte(p[0]) << 16 | byte(p[1]) << 8 | byte(p[2]);
}

bool ReferenceDevice::saveLastFrame(const std::filesystem::path& png) const {
  DecodedImage image{kWidth, kHeight, std::vector<std::uint32_t>(static_cast<std::size_t>(kWidth) * kHeight)};
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) image.pixels[index(x, y)] = pixelAt(x, y);
  return savePng(image, png);
}

}  // namespace tavrik::test
