#include "support/platform_support.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace tavrik::test {

DecodedImage solidPicture(int width, int height, std::uint32_t argb) {
  return DecodedImage{width, height,
                      std::vector<std::uint32_t>(static_cast<std::size_t>(width) * height, argb)};
}

::testing::AssertionResult nearColour(std::uint32_t actual, std::uint32_t expected, int tolerance) {
  for (int shift = 0; shift < 32; shift += 8) {
    const int a = static_cast<int>((actual >> shift) & 0xFF),
              e = static_cast<int>((expected >> shift) & 0xFF);
    if (std::abs(a - e) > tolerance) {
      char text[80];
      std::snprintf(text, sizeof text, "colour %08X is not within %d of %08X", actual, tolerance, expected);
      return ::testing::AssertionFailure() << text;
    }
  }
  return ::testing::AssertionSuccess();
}

std::unique_ptr<GraphicsDevice> headlessDevice() {
  DeviceOptions options;
  options.headless = true;
  std::string error;
  std::unique_ptr<GraphicsDevice> device = GraphicsDevice::create(options, &error);
  if (!device) ADD_FAILURE() << "no headless device: " << error;
  return device;
}

FrameDifference compareFrames(const DecodedImage& a, const DecodedImage& b) {
  if (a.width != b.width || a.height != b.height) return {255, 1};
  long long sum = 0, far = 0;
  for (std::size_t i = 0; i < a.pixels.size(); ++i) {
    int worst = 0;
    for (int shift = 0; shift < 24; shift += 8) {
      const int diff = std::abs(static_cast<int>((a.pixels[i] >> shift) & 0xFF) -
                                static_cast<int>((b.pixels[i] >> shift) & 0xFF));
      sum += diff;
      worst = std::max(worst, diff);
    }
    far += worst > 32 ? 1 : 0;
  }
  const double n = static_cast<double>(a.pixels.size());
  return {static_cast<double>(sum) / (3 * n), static_cast<double>(far) / n};
}

OverlayRig::OverlayRig() : device(headlessDevice()), fonts(FontLibrary::create()) {
  int faceIndex = 0;
  if (fonts) overlay = Overlay::create(*device, fonts->defaultFaceFile(faceIndex), faceIndex);
}

}  // namespace tavrik::test
