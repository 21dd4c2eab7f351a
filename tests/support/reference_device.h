// A graphics device that draws by the drawing rule alone, in plain double arithmetic and without any
// shortcut: the measure the software driver is held to.
//
// Pixel (i, j) samples the screen point (i, j). It is covered when that point, mapped back through the
// quad's affine map, lies in the source rectangle (the edges on the quad's left and top on the screen
// in, those on its right and bottom out, however it is turned); its texel is the one under the mapped
// point, on a texel edge the one that edge rule gives it to. Texels, multiplied by the colour, blend over the
// frame with straight alpha, exactly.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "platform/graphics_device.h"

namespace tavrik::test {

class ReferenceDevice : public GraphicsDevice {
 public:
  ReferenceDevice();

  void beginScene() override {}
  void clear(std::uint32_t argb) override;
  void drawQuad(DeviceTexture& texture, const QuadCorner (&corners)[4], std::uint32_t colour,
                bool blend) override;
  void endScene() override {}
  void present() override {}
  std::unique_ptr<DeviceTexture> createTexture(int width, int height) override;
  bool texturesPersist() const override { return true; }
  SDL_Renderer* overlayRenderer() override { return nullptr; }
  bool saveLastFrame(const std::filesystem::path& png) const override;
  std::uint32_t pixelAt(int x, int y) const override;

  // Whether a quad's edge or an edge between texels passed within 1/1000 of a pixel (or of a texel) of
  // the pixel's sample point since the last clear: there either neighbour is right.
  bool ambiguous(int x, int y) const { return ambiguous_[index(x, y)]; }

 private:
  static std::size_t index(int x, int y) {
    return static_cast<std::size_t>(y) * kWidth + static_cast<std::size_t>(x);
  }
  std::vector<std::array<double, 3>> frame_;  // red, green, blue in [0, 1]
  std::vector<bool> ambiguous_;
};

}  // namespace tavrik::test
