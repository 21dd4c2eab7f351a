// The open screen as the frames draw it: in a window it fades in and out, headless it is there at once.
#include "app/screen_host.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/graphics_device.h"
#include "platform/overlay.h"
#include "support/platform_support.h"
#include "ui/look.h"
#include "ui/settings_screen.h"

namespace tavrik {
namespace {

// The brightness, frame by frame, of a white game under the settings screen's panel, while the screen
// opens and stays for frames, then closes and the frames go on.
std::vector<int> brightness(bool fading, int open, int after, ScreenHost& host) {
  test::OverlayRig rig;
  EXPECT_TRUE(rig.overlay);
  if (!rig.overlay) return {};
  applyLook(Theme{});
  host.setFading(fading);
  host.open(*rig.overlay, std::make_unique<SettingsScreen>(PlayerSettings{}));
  rig.overlay->setContent([&] { host.build(); });
  std::vector<int> out;
  for (int frame = 0; frame < open + after; ++frame) {
    if (frame == open) host.close();
    rig.device->clear(0xFFFFFFFFu);
    rig.device->present();
    out.push_back(static_cast<int>(rig.device->pixelAt(400, 320) & 0xFF));
  }
  rig.overlay->setContent(nullptr);
  return out;
}

TEST(ScreenHost, AWindowsScreenFadesInAndOutWhereAHeadlessOneIsThereAtOnce) {
  ScreenHost windowed;
  const std::vector<int> faded = brightness(true, 12, 12, windowed);
  ASSERT_EQ(faded.size(), 24u);
  // Darker each frame until the ninth, then steady; lighter each frame after the close, until white.
  for (int f = 1; f < ScreenHost::kFadeFrames; ++f) EXPECT_LT(faded[f], faded[f - 1]) << f;
  EXPECT_EQ(faded[ScreenHost::kFadeFrames - 1], faded[11]);
  for (int f = 13; f < 12 + ScreenHost::kFadeFrames; ++f) EXPECT_GT(faded[f], faded[f - 1]) << f;
  EXPECT_EQ(faded.back(), 255);
  EXPECT_FALSE(windowed.fading());

  ScreenHost headless;
  const std::vector<int> at = brightness(false, 2, 2, headless);
  ASSERT_EQ(at.size(), 4u);
  EXPECT_EQ(at[0], faded[11]) << "shown at once as it stands when faded in";
  EXPECT_EQ(at[2], 255) << "gone at once";
  EXPECT_FALSE(headless.fading());
}

}  // namespace
}  // namespace tavrik
