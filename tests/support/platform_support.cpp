#include "support/platform_support.h"

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

OverlayRig::OverlayRig() : device(headlessDevice()), fonts(FontLibrary::create()) {
  int faceIndex = 0;
  if (fonts) overlay = Overlay::create(*device, fonts->defaultFaceFile(faceIndex), faceIndex);
}

}  // namespace tavrik::test
