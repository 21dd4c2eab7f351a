// The player's screens and boxes as they look, in the default design and in the demo's theme: each drawn
// headless over the same game frame, compared with its reference picture as the demo's frames are, and
// its text held to a contrast that reads. TAVRIK_UPDATE_REFERENCES=1 writes the references anew.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/files.h"
#include "base/messages.h"
#include "base/theme_file.h"
#include "platform/graphics_device.h"
#include "platform/image_decoder.h"
#include "platform/overlay.h"
#include "support/platform_support.h"
#include "ui/history_screen.h"
#include "ui/look.h"
#include "ui/message_box.h"
#include "ui/settings_screen.h"
#include "ui/slot_screen.h"

namespace tavrik {
namespace {

namespace fs = std::filesystem;

const fs::path kDemo = fs::path(TAVRIK_SOURCE_DIR) / "examples" / "demo";
const fs::path kReferences = fs::path(TAVRIK_SOURCE_DIR) / "tests" / "ui" / "reference";

// A thumbnail of the demo's sky, as a save keeps one.
std::vector<std::uint32_t> thumbnailOf(const DecodedImage& sky, int shift) {
  std::vector<std::uint32_t> out;
  for (int y = 0; y < SlotScreen::kThumbnailHeight; ++y)
    for (int x = 0; x < SlotScreen::kThumbnailWidth; ++x)
      out.push_back(sky.pixels[static_cast<std::size_t>((y * 5 + shift) % sky.height) * sky.width +
                               static_cast<std::size_t>(x * 5 % sky.width)]);
  return out;
}

std::vector<SlotView> slots(const DecodedImage& sky, bool loading) {
  std::vector<SlotView> views;
  const auto slot = [](int number, std::string label, bool marked) {
    SlotView v;
    v.slot = number;
    v.labelUtf8 = std::move(label);
    v.marked = marked;
    return v;
  };
  for (int i = 1; i <= 10; ++i) views.push_back(slot(i, "スロット " + std::to_string(i), false));
  const auto use = [&](SlotView& v, const char* date, const char* text, int shift) {
    v.used = true;
    v.dateUtf8 = date;
    v.textUtf8 = text;
    v.thumbnail = thumbnailOf(sky, shift);
  };
  use(views[0], "2026/12/08 19:37", "今夜は星がよく見えるね。", 0);
  use(views[1], "2026/12/09 21:05", "遅くなってごめん。走ってきたんだ。", 40);
  use(views[4], "2026/12/10 07:12", "どちらへ行こうか。", 90);
  if (loading) {
    views.push_back(slot(0, "クイックセーブ", true));
    use(views.back(), "2026/12/10 07:30", "町へ行こう。灯りを数えに。", 120);
    views.push_back(slot(-1, "オートセーブ", true));
    use(views.back(), "2026/12/10 07:31", "", 150);
    views.back().noteUtf8 = ja(MessageId::SlotsBeforeUpdate);
    views[3].used = true;
    views[3].dateUtf8 = "2026/12/01 12:00";
    views[3].problemUtf8 = ja(MessageId::SlotsDamaged);
  }
  return views;
}

std::vector<HistoryLine> historyLines() {
  std::vector<HistoryLine> lines;
  const auto said = [&](const char* who, std::vector<HistoryRun> runs, int entry) {
    lines.push_back({{{who, 0xF2C55C}}, true, entry, true});
    lines.push_back({std::move(runs), false, entry, false});
  };
  said("澪", {{"今夜は星がよく見えるね。"}}, 0);
  said("蓮", {{"遅くなってごめん。走ってきたんだ。"}}, 1);
  said("澪", {{"三つ数えたよ。"}, {"一、二、三", 0xFF6060}, {"！"}}, 2);
  return lines;
}

struct NamedLook {
  const char* name;
  Theme theme;
};

class ScreenLook : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(rig.overlay) << "no Japanese face";
    std::optional<DecodedImage> picture = decodeImageFile(kDemo / "pictures" / "sky.png");
    ASSERT_TRUE(picture);
    sky = std::move(*picture);
    game = rig.device->createTexture(sky.width, sky.height);
    game->upload(sky.pixels.data(), sky.width);
    const std::optional<std::string> demoTheme = readFile(kDemo / kThemeFileName);
    ASSERT_TRUE(demoTheme);
    const ThemeFile demo = parseTheme(*demoTheme);
    EXPECT_TRUE(demo.problems.empty());
    looks = {{"default", Theme{}}, {"demo", demo.theme}};
  }

  // The game's frame with what build draws over it, in the look.
  DecodedImage shoot(const Theme& theme, const std::function<void()>& build) {
    applyLook(theme);
    rig.overlay->setContent(build);
    GraphicsDevice& device = *rig.device;
    const float w = GraphicsDevice::kWidth, h = GraphicsDevice::kHeight;
    const QuadCorner corners[4] = {{0, 0, 0, 0}, {w, 0, 1, 0}, {0, h, 0, 1}, {w, h, 1, 1}};
    // Twice: a window takes a frame to know its size.
    for (int i = 0; i < 2; ++i) {
      device.beginScene();
      device.clear(0xFF000000u);
      device.drawQuad(*game, corners, 0xFFFFFFFFu, false);
      device.endScene();
      device.present();
    }
    rig.overlay->setContent(nullptr);
    DecodedImage shot;
    shot.width = GraphicsDevice::kWidth;
    shot.height = GraphicsDevice::kHeight;
    device.readFrame(shot.pixels);
    return shot;
  }

  // Every screen and box a player meets, by name.
  std::map<std::string, std::function<DecodedImage(const Theme&)>> screens() {
    std::map<std::string, std::function<DecodedImage(const Theme&)>> out;
    Overlay& overlay = *rig.overlay;
    const auto screen = [&](auto make) {
      return [this, &overlay, make](const Theme& theme) {
        auto s = make();
        overlay.addCharacters(s->characters());
        return shoot(theme, [&] { s->build(); });
      };
    };
    out["save"] = screen(
        [&] { return std::make_unique<SlotScreen>(overlay, SlotScreen::Mode::Save, slots(sky, false)); });
    out["load"] = screen(
        [&] { return std::make_unique<SlotScreen>(overlay, SlotScreen::Mode::Load, slots(sky, true)); });
    out["settings"] = screen([] { return std::make_unique<SettingsScreen>(PlayerSettings{}); });
    out["history"] = screen([&] { return std::make_unique<HistoryScreen>(overlay, historyLines()); });
    const auto box = [this, &overlay](MessageId caption, std::string text, bool picture) {
      return [this, &overlay, caption, text, picture](const Theme& theme) {
        ModalBox b{ja(caption), text, BoxButtons::OkCancel};
        if (picture)
          b.setPicture(overlay, thumbnailOf(sky, 120), SlotScreen::kThumbnailWidth,
                       SlotScreen::kThumbnailHeight);
        overlay.addCharacters(b.characters());
        return shoot(theme, [&] { b.build(); });
      };
    };
    out["exit"] = box(MessageId::ExitCaption, ja(MessageId::ExitQuestion), false);
    out["continue"] =
        box(MessageId::ContinueCaption,
            ja(MessageId::ContinueQuestion) + "\n\n" + ja(MessageId::ContinueFrom, {"町へ行こう。"}), true);
    return out;
  }

  test::OverlayRig rig;
  DecodedImage sky;
  std::unique_ptr<DeviceTexture> game;
  std::vector<NamedLook> looks;
};

TEST_F(ScreenLook, EveryScreenInEveryLookMatchesItsReference) {
  const bool update = std::getenv("TAVRIK_UPDATE_REFERENCES") != nullptr;
  for (const auto& [name, draw] : screens()) {
    for (const NamedLook& l : looks) {
      const DecodedImage shot = draw(l.theme);
      const fs::path reference = kReferences / (std::string(l.name) + "-" + name + ".png");
      if (update) {
        ASSERT_TRUE(savePng(shot, reference)) << reference;
      }
      const std::optional<DecodedImage> expected = decodeImageFile(reference);
      ASSERT_TRUE(expected) << reference;
      const test::FrameDifference d = test::compareFrames(shot, *expected);
      EXPECT_LT(d.mean, 1.0) << reference;
      EXPECT_LT(d.farShare, 0.005) << reference;
    }
  }
}

// The contrast between a colour of text and what is around it, measured in a screenshot: around each
// pixel of exactly that colour (a glyph's core), the commonest colour of its neighbourhood that is not
// near the text's is the panel it stands on. The least contrast of all but the worst hundredth of them.
double leastContrast(const DecodedImage& shot, std::uint32_t ink, int* found) {
  const auto near = [](std::uint32_t a, std::uint32_t b) {
    int d = 0;
    for (int s = 0; s < 24; s += 8)
      d += std::abs(static_cast<int>((a >> s) & 0xFF) - static_cast<int>((b >> s) & 0xFF));
    return d < 120;
  };
  std::vector<double> ratios;
  for (int y = 4; y < shot.height - 4; ++y) {
    for (int x = 4; x < shot.width - 4; ++x) {
      if ((shot.pixels[static_cast<std::size_t>(y) * shot.width + x] & 0xFFFFFF) != (ink & 0xFFFFFF))
        continue;
      std::map<std::uint32_t, int> around;
      for (int dy = -4; dy <= 4; ++dy)
        for (int dx = -4; dx <= 4; ++dx) {
          const std::uint32_t p =
              shot.pixels[static_cast<std::size_t>(y + dy) * shot.width + (x + dx)] & 0xFFFFFF;
          if (!near(p, ink)) ++around[p];
        }
      if (around.empty()) continue;
      const auto panel = std::max_element(around.begin(), around.end(),
                                          [](const auto& a, const auto& b) { return a.second < b.second; });
      // Among a dense glyph's strokes no colour stands for the panel: its smoothed edges are many.
      if (panel->second < 16) continue;
      ratios.push_back(contrastRatio(ink, panel->first));
    }
  }
  *found = static_cast<int>(ratios.size());
  if (ratios.empty()) return 0;
  std::sort(ratios.begin(), ratios.end());
  return ratios[ratios.size() / 100];
}

TEST_F(ScreenLook, TheTextOfEveryScreenReadsOnItsPanel) {
  for (const auto& [name, draw] : screens()) {
    for (const NamedLook& l : looks) {
      const DecodedImage shot = draw(l.theme);
      // The panels' text, their quieter text and the text on the highlight, wherever each is used.
      const std::uint32_t inks[3] = {look().text, look().faint, look().onAccent};
      for (std::uint32_t ink : inks) {
        // Dear ImGui's colours are ABGR.
        const std::uint32_t rgb = ((ink & 0xFF) << 16) | (ink & 0xFF00) | ((ink >> 16) & 0xFF);
        int found = 0;
        const double least = leastContrast(shot, rgb, &found);
        if (ink == look().text) {
          EXPECT_GE(found, 40) << l.name << " " << name << ": its text is found";
        }
        if (found < 40) continue;
        EXPECT_GE(least, kLeastContrast) << l.name << " " << name << ": text #" << std::hex << rgb;
      }
    }
  }
}

TEST(ThemeFile, ABrokenValueKeepsTheDefaultAndIsToldAtItsLine) {
  const ThemeFile file = parseTheme(
      "[theme]\n# comment\naccent = #GG0000\npanel = #101820\npanel-opacity = 20\nglow = 3\ntext #FFFFFF\n"
      "face = \x82\xa0\n");
  EXPECT_EQ(file.theme.accent, Theme{}.accent);
  EXPECT_EQ(file.theme.panel, 0x101820u);
  EXPECT_EQ(file.theme.panelOpacity, Theme{}.panelOpacity);
  EXPECT_EQ(file.theme.face, "あ") << "Shift-JIS is read as Shift-JIS";
  std::vector<int> lines;
  for (const ThemeProblem& p : file.problems) lines.push_back(p.line);
  EXPECT_EQ(lines, (std::vector<int>{3, 5, 6, 7}));
  // Text too faint on its panel is shown in white or black instead, and told.
  const ThemeFile faint = parseTheme("panel = #202020\ntext = #303030\n");
  EXPECT_EQ(faint.theme.text, 0xFFFFFFu);
  ASSERT_EQ(faint.problems.size(), 1u);
  EXPECT_EQ(faint.problems[0].line, 2);
}

}  // namespace
}  // namespace tavrik
