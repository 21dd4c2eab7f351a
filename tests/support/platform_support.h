// Helpers for the tests of the platform layer and those above it: a headless device, the player's own
// interface drawn headless, and pictures to draw and compare.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "platform/glyph_font.h"
#include "platform/graphics_device.h"
#include "platform/image_decoder.h"
#include "platform/overlay.h"
#include "support/test_support.h"

namespace tavrik::test {

// A picture of one colour, or with a function of the position.
DecodedImage solidPicture(int width, int height, std::uint32_t argb);
template <class F>
DecodedImage picture(int width, int height, F texel) {
  DecodedImage image{width, height, std::vector<std::uint32_t>(static_cast<std::size_t>(width) * height)};
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) image.pixels[static_cast<std::size_t>(y) * width + x] = texel(x, y);
  return image;
}

// How far a frame is from its reference picture, as the golden frames are held to them: the mean
// absolute difference per channel below 1, and fewer than 0.5 % of pixels off by more than 32.
struct FrameDifference {
  double mean = 0;      // mean absolute difference per channel
  double farShare = 0;  // share of pixels with a channel off by more than 32
};
FrameDifference compareFrames(const DecodedImage& a, const DecodedImage& b);

// Colour channels of two ARGB values differ by at most tolerance.
::testing::AssertionResult nearColour(std::uint32_t actual, std::uint32_t expected, int tolerance = 3);

// A headless device for the scene and the engine.
std::unique_ptr<GraphicsDevice> headlessDevice();

// The player's own interface drawn headless in its Japanese face, as a screenshot shows it; overlay is
// null when no face could be had.
struct OverlayRig {
  OverlayRig();
  std::unique_ptr<GraphicsDevice> device;
  std::unique_ptr<FontLibrary> fonts;
  std::unique_ptr<Overlay> overlay;
};

}  // namespace tavrik::test
