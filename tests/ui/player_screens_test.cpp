// The player's own screens as drawn headless: what a player sees of a slot.
#include "ui/history_screen.h"
#include "ui/notice.h"
#include "ui/settings_screen.h"
#include "ui/slot_screen.h"

#include <gtest/gtest.h>

#include "platform/glyph_font.h"
#include "platform/overlay.h"
#include "support/platform_support.h"

namespace tavrik {
namespace {

TEST(SlotScreen, AThumbnailIsDrawnAtItsStoredSize) {
  test::OverlayRig rig;
  GraphicsDevice* device = rig.device.get();
  Overlay* overlay = rig.overlay.get();
  ASSERT_TRUE(overlay);
  std::vector<SlotView> views(3);
  for (int i = 0; i < 3; ++i) views[static_cast<std::size_t>(i)].slot = i + 1;
  SlotView& used = views[2];
  used.labelUtf8 = "スロット 3";
  used.used = true;
  used.thumbnail.assign(static_cast<std::size_t>(SlotScreen::kThumbnailWidth) * SlotScreen::kThumbnailHeight,
                        0xFF00FF00u);
  SlotScreen screen(*overlay, SlotScreen::Mode::Load, std::move(views));
  overlay->addCharacters(screen.characters());
  overlay->setContent([&] { screen.build(); });
  device->clear(0xFF000000u);
  device->present();
  int x0 = 800, y0 = 600, x1 = -1, y1 = -1;
  for (int y = 0; y < 600; ++y) {
    for (int x = 0; x < 800; ++x) {
      if (device->pixelAt(x, y) != 0xFF00FF00u) continue;
      x0 = std::min(x0, x);
      y0 = std::min(y0, y);
      x1 = std::max(x1, x);
      y1 = std::max(y1, y);
    }
  }
  EXPECT_EQ(x1 - x0 + 1, SlotScreen::kThumbnailWidth);
  EXPECT_EQ(y1 - y0 + 1, SlotScreen::kThumbnailHeight);
  const ScreenRect cell = screen.slotRect(3);
  EXPECT_TRUE(cell.contains(x0, y0) && cell.contains(x1, y1)) << "the thumbnail is in its slot";
}

TEST(SlotScreen, TheHighlightGoesOnlyWhereReturnWouldDoSomething) {
  test::OverlayRig rig;
  ASSERT_TRUE(rig.overlay);
  std::vector<SlotView> views(10);
  for (int i = 0; i < 10; ++i) views[static_cast<std::size_t>(i)].slot = i + 1;
  views[0].used = true;
  views[0].dateUtf8 = "2026/12/09 10:00";
  SlotScreen screen(*rig.overlay, SlotScreen::Mode::Load, std::move(views));
  rig.overlay->addCharacters(screen.characters());
  rig.overlay->setContent([&] { screen.build(); });
  rig.device->present();
  ASSERT_EQ(screen.focused(), 1) << "loading starts on the save";
  // A click on an empty slot cannot load it, and leaves the highlight on the save.
  const ScreenRect empty = screen.slotRect(6);
  EXPECT_EQ(screen.click(static_cast<int>(empty.left) + 5, static_cast<int>(empty.top) + 5).kind,
            ScreenAction::Kind::None);
  EXPECT_EQ(screen.focused(), 1);
  // Down goes straight down, and stays where the row below has no slot there.
  screen.focus(7);
  screen.key(Key::Down);
  EXPECT_EQ(screen.focused(), 7);
  screen.key(Key::Up);
  EXPECT_EQ(screen.focused(), 3);
}

TEST(HistoryScreen, OnlyAnEntryThePlayerCanGoBackToHasTheButtonThatGoesThere) {
  test::OverlayRig rig;
  ASSERT_TRUE(rig.overlay);
  History history;
  for (const char* text : {"A", "B\nC", "D"}) {
    HistoryEntry entry;
    for (const char* c = text; *c; ++c) entry.characters.push_back({static_cast<std::uint16_t>(*c)});
    history.add(entry);
  }
  HistoryScreen screen(*rig.overlay, historyLinesOf(history, {false, true, true}));
  rig.overlay->addCharacters(screen.characters());
  rig.overlay->setContent([&] { screen.build(); });
  rig.device->present();
  // Return, which goes on in the game, does not send a player who just opened the history back.
  EXPECT_EQ(screen.key(Key::Return).kind, ScreenAction::Kind::None);
  screen.key(Key::Tab);
  EXPECT_EQ(screen.chosen(), 2) << "the latest first";
  screen.key(Key::Tab);
  const ScreenAction byKey = screen.key(Key::Return);
  EXPECT_EQ(byKey.kind, ScreenAction::Kind::Return);
  EXPECT_EQ(byKey.entry, 1);

  EXPECT_EQ(screen.returnRect(0).right, 0) << "no button on an entry before the first one to go back to";
  const ScreenRect button = screen.returnRect(1);
  ASSERT_GT(button.right, button.left);
  const ScreenAction byClick = screen.click(static_cast<int>((button.left + button.right) / 2),
                                            static_cast<int>((button.top + button.bottom) / 2));
  EXPECT_EQ(byClick.kind, ScreenAction::Kind::Return);
  EXPECT_EQ(byClick.entry, 1);
}

// The colour of a bar's filled part.
bool nearBarColour(std::uint32_t argb) {
  const int r = (argb >> 16) & 0xFF, g = (argb >> 8) & 0xFF, b = argb & 0xFF;
  return std::abs(r - 0xE6) <= 8 && std::abs(g - 0xB3) <= 8 && b <= 8;
}

TEST(SettingsScreen, AMutedVolumeShowsAnEmptyBar) {
  test::OverlayRig rig;
  GraphicsDevice* device = rig.device.get();
  Overlay* overlay = rig.overlay.get();
  ASSERT_TRUE(overlay);
  // How many pixels of the screen are in the colour of a bar's filled part.
  auto filled = [&](const PlayerSettings& settings) {
    SettingsScreen screen(settings);
    overlay->addCharacters(screen.characters());
    overlay->setContent([&] { screen.build(); });
    device->clear(0xFF000000u);
    device->present();
    int count = 0;
    for (int y = 0; y < 600; ++y)
      for (int x = 0; x < 800; ++x)
        if (nearBarColour(device->pixelAt(x, y))) ++count;
    return count;
  };
  PlayerSettings muted;
  muted.musicMuted = true;
  const int full = filled(PlayerSettings{}), quiet = filled(muted);
  // The music row's bar, 120 pixels wide, is gone.
  EXPECT_GT(full - quiet, 120 * 10);
}

}  // namespace
}  // namespace tavrik
