// The player in a window on a virtual display with no window manager, driven by real key presses
// (xdotool) and watched by screenshots of the whole display (xwd): the exit confirmation shows and reads,
// and the keyboard reaches the menus.
#include <SDL.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <optional>
#include <thread>

#include <sys/stat.h>
#include <unistd.h>

#include "app/save_store.h"
#include "app/window_display_fixture.h"
#include "platform/glyph_font.h"
#include "platform/graphics_device.h"
#include "platform/image_decoder.h"
#include "platform/overlay.h"
#include "support/app_support.h"
#include "ui/debug_view.h"
#include "ui/look.h"
#include "ui/message_box.h"

namespace tavrik {
namespace {

using namespace window_test;

// The confirmation as the player draws it (headless, in its own font): the box's pixels, and where
// they are.
struct Drawn {
  std::vector<std::uint32_t> pixels;
  int x0 = 800, y0 = 600, x1 = 0, y1 = 0;
};

Drawn drawnConfirmation() {
  test::OverlayRig rig;
  GraphicsDevice* device = rig.device.get();
  Overlay* overlay = rig.overlay.get();
  Drawn drawn;
  if (!overlay) return drawn;
  applyLook(Theme{});  // the player's own look
  ModalBox box{"終了確認", "終了してもよろしいですか？", BoxButtons::OkCancel};
  overlay->addCharacters(box.characters());
  overlay->setContent([&box] { box.build(); });
  device->clear(0xFF000000u);
  device->present();
  for (int y = 0; y < 600; ++y) {
    for (int x = 0; x < 800; ++x) {
      const std::uint32_t c = device->pixelAt(x, y);
      drawn.pixels.push_back(c);
      if ((c & 0xFFFFFF) == 0) continue;
      drawn.x0 = std::min(drawn.x0, x);
      drawn.y0 = std::min(drawn.y0, y);
      drawn.x1 = std::max(drawn.x1, x + 1);
      drawn.y1 = std::max(drawn.y1, y + 1);
    }
  }
  return drawn;
}

// Where on the screen the drawn box is, its pixels alike within rendering's rounding: nothing when it
// is nowhere.
std::optional<std::pair<int, int>> find(const Screen& screen, const Drawn& drawn) {
  const int w = drawn.x1 - drawn.x0, h = drawn.y1 - drawn.y0;
  // The pixels that tell: the text's and the frame's, not the box's flat grey.
  std::vector<std::pair<int, int>> telling;
  const std::uint32_t flat = drawn.pixels[static_cast<std::size_t>(drawn.y0 + h / 2) * 800 + drawn.x0 + 4];
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      if (!near(drawn.pixels[static_cast<std::size_t>(drawn.y0 + y) * 800 + drawn.x0 + x], flat, 40))
        telling.emplace_back(x, y);
  for (int oy = 0; oy + h <= screen.height; ++oy) {
    for (int ox = 0; ox + w <= screen.width; ++ox) {
      std::size_t wrong = 0;
      for (const auto& [x, y] : telling) {
        if (!near(screen.at(ox + x, oy + y),
                  drawn.pixels[static_cast<std::size_t>(drawn.y0 + y) * 800 + drawn.x0 + x], 24) &&
            ++wrong > telling.size() / 50)
          break;
      }
      if (wrong <= telling.size() / 50) return std::pair{ox, oy};
    }
  }
  return std::nullopt;
}

TEST_F(WindowKeyboard, EscapeShowsTheConfirmationInTheWindowAndReturnEndsThePlayer) {
  const Drawn drawn = drawnConfirmation();
  ASSERT_LT(drawn.x0, drawn.x1) << "no box drawn headless";
  start(kGame);
  window();
  keys({"Escape"});
  std::optional<std::pair<int, int>> at;
  for (int attempt = 0; attempt < 20 && !at; ++attempt) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    if (const std::optional<Screen> screen = screenshot()) at = find(*screen, drawn);
  }
  EXPECT_TRUE(at) << "the box's words are not on the screen";
  keys({"Return"});
  const ProcessResult r = finish();
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.err, "") << "a window's box is not printed";
}

TEST_F(WindowKeyboard, EscapeInTheBoxCancelsAndThePlayerGoesOn) {
  start(kGame);
  const std::string id = window();
  keys({"Escape", "Escape"});
  EXPECT_NE(geometry(id), "") << "the window is still there";
  keys({"Escape", "Return"});
  EXPECT_EQ(finish().exitCode, 0);
}

TEST_F(WindowKeyboard, F10OrALoneAltThenArrowsAndReturnPickAMenuItem) {
  start(kGame);
  const std::string id = window();
  // Where the window is: with no window manager, it stays there in full screen too, and the player
  // draws its bar at its top. Full screen shows the bar only while the pointer is in the top band (it
  // is in the middle of the display) or a menu is open, so the bar tells which mode the player is in.
  int left = 0, top = 0;
  ASSERT_EQ(std::sscanf(geometry(id).c_str(), "Window %*s Position: %d,%d", &left, &top), 2);
  // The bar and the menus are lit; the game's screen here is black.
  auto light = [&](int x, int y) {
    const std::optional<Screen> screen = screenshot();
    if (!screen) return false;
    const std::uint32_t c = screen->at(left + x, top + y);
    return ((c >> 16) & 0xFF) + ((c >> 8) & 0xFF) + (c & 0xFF) > 24;
  };
  auto waitFor = [&](bool shown, int x, int y) {
    for (int attempt = 0; attempt < 30; ++attempt) {
      if (light(x, y) == shown) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
  };
  const int barX = 700, barY = 12;      // the empty end of the bar
  const int popupX = 150, popupY = 40;  // inside the View menu, open below the bar
  ASSERT_TRUE(waitFor(true, barX, barY)) << "the bar never showed";
  // Alt with another key is no lone Alt: after Alt+Return twice the keyboard is still the game's.
  keys({"alt+Return", "alt+Return", "Down"});
  EXPECT_TRUE(waitFor(true, barX, barY)) << "not back in the window";
  EXPECT_FALSE(light(30, 36)) << "the System menu opened";
  // F10 gives the keyboard to the bar, on System; Right goes to View, Down opens it on its one item.
  keys({"F10", "Right", "Down"});
  EXPECT_TRUE(waitFor(true, popupX, popupY)) << "the View menu is not open";
  keys({"Return"});
  EXPECT_TRUE(waitFor(false, barX, barY)) << "not in full screen";
  // A lone Alt does the same, in full screen too, and the item takes the window back.
  keys({"Alt_L", "Right", "Down"});
  EXPECT_TRUE(waitFor(true, popupX, popupY)) << "the View menu is not open";
  keys({"Return"});
  EXPECT_TRUE(waitFor(false, popupX, popupY)) << "the menu stayed open";
  EXPECT_TRUE(waitFor(true, barX, barY)) << "not back in the window";
  // Esc closes an open menu, a second gives the keyboard back to the game: the next Esc asks to exit.
  keys({"F10", "Down", "Escape", "Escape"});
  EXPECT_TRUE(waitFor(false, popupX, popupY)) << "the menu stayed open";
  keys({"Escape", "Return"});
  const ProcessResult r = finish();
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.err, "");
}

TEST_F(WindowKeyboard, AReportBeforeThePlayersWindowGetsASmallWindowOfItsOwn) {
  std::unique_ptr<FontLibrary> fonts = FontLibrary::create();
  int faceIndex = 0;
  const std::string fontFile = fonts->defaultFaceFile(faceIndex);
  // The box waits for its answer on this thread; the keys come from another, once the window shows.
  std::string geometryShown;
  std::thread presser([&] {
    const ProcessResult found =
        tool("xdotool", {"search", "--sync", "--onlyvisible", "--pid", std::to_string(getpid())});
    const std::string id = found.out.substr(0, found.out.find('\n'));
    if (id.empty()) {
      // No window showed: the box is closed as the desktop would, so that the test ends.
      SDL_Event quit{};
      quit.type = SDL_QUIT;
      SDL_PushEvent(&quit);
      return;
    }
    geometryShown = geometry(id);
    tool("xdotool", {"windowfocus", "--sync", id});
    keys({"Return"});
  });
  const bool shown =
      showBoxInOwnWindow("起動エラー", "Direct3Dの初期化に失敗しました。", fontFile, faceIndex);
  presser.join();
  EXPECT_TRUE(shown);
  int width = 0, height = 0;
  ASSERT_EQ(std::sscanf(geometryShown.c_str(), "Window %*s Position: %*d,%*d (screen: %*d) Geometry: %dx%d",
                        &width, &height),
            2)
      << geometryShown;
  EXPECT_GT(width, 200);
  EXPECT_LT(width, 600);
  EXPECT_LT(height, 200);
}

// The game's 800 x 600 picture in a screenshot, at the window's place under the menu strip, averaged
// down to a save's thumbnail.
std::vector<std::uint32_t> gameThumbnail(const Screen& screen, int left, int top) {
  std::vector<std::uint32_t> frame(800 * 600, 0);
  for (int y = 0; y < 600; ++y)
    for (int x = 0; x < 800; ++x)
      if (left + x < screen.width && top + 24 + y < screen.height)
        frame[static_cast<std::size_t>(y) * 800 + x] = screen.at(left + x, top + 24 + y);
  return makeThumbnail(frame, 800, 600);
}

// The text frame's part of the game's picture (its lower quarter), at full size.
std::vector<std::uint32_t> textFrame(const Screen& screen, int left, int top) {
  std::vector<std::uint32_t> out;
  for (int y = 440; y < 590; ++y)
    for (int x = 30; x < 770; ++x)
      if (left + x < screen.width && top + 24 + y < screen.height)
        out.push_back(screen.at(left + x, top + 24 + y));
  return out;
}

double meanDifference(const std::vector<std::uint32_t>& a, const std::vector<std::uint32_t>& b) {
  if (a.size() != b.size() || a.empty()) return 255;
  double sum = 0;
  for (std::size_t i = 0; i < a.size(); ++i)
    for (int shift = 0; shift < 24; shift += 8)
      sum += std::abs(static_cast<int>((a[i] >> shift) & 0xFF) - static_cast<int>((b[i] >> shift) & 0xFF));
  return sum / static_cast<double>(a.size() * 3);
}

TEST_F(WindowKeyboard, F2AndAClickSaveWithAThumbnailAndF3AndAClickRestoreTheScene) {
  const std::filesystem::path demo =
      std::filesystem::path(TAVRIK_SOURCE_DIR) / "examples" / "demo" / "start.tvk";
  const std::filesystem::path saves = dir_.path() / "saves";
  auto click = [&](const std::string& id, int x, int y) {
    tool("xdotool", {"mousemove", "--window", id, std::to_string(x), std::to_string(y)});
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    tool("xdotool", {"click", "1"});
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
  };
  startWith({demo.string(), "-nce", "--new", "--saves", saves.string()});
  // (A title that is not ASCII is found by the window's class: the old name property mangles it.)
  std::string id = window("tavrik", "--class");
  int left = 0, top = 0;
  ASSERT_EQ(std::sscanf(geometry(id).c_str(), "Window %*s Position: %d,%d", &left, &top), 2);
  // The first scene has come on, with its lines typed out.
  std::this_thread::sleep_for(std::chrono::seconds(4));
  keys({"F2"});
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  // Slot 1 is the top left of the screen's grid (the screen is centred in the whole window,
  // menu strip included).
  click(id, 100, 124);
  SaveProblem problem = SaveProblem::None;
  std::optional<SaveData> saved;
  for (int attempt = 0; attempt < 20 && !saved; ++attempt) {
    saved = SaveStore(saves).read(1, &problem);
    if (!saved) std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  ASSERT_TRUE(saved.has_value()) << "no save in slot 1";
  ASSERT_EQ(saved->thumbnail.size(), static_cast<std::size_t>(kThumbnailWidth) * kThumbnailHeight);
  std::optional<Screen> screen = screenshot();
  ASSERT_TRUE(screen);
  EXPECT_LT(meanDifference(gameThumbnail(*screen, left, top), saved->thumbnail), 12)
      << "the thumbnail is not the game on the screen";
  // The text frame as saved, at full size: the thumbnail is too small to tell lines apart.
  const std::vector<std::uint32_t> savedText = textFrame(*screen, left, top);
  keys({"Escape"});
  finish();

  // Again from the start: the load screen and a click on slot 1 bring the scene back.
  startWith({demo.string(), "-nce", "--new", "--saves", saves.string()});
  id = window("tavrik", "--class");
  ASSERT_EQ(std::sscanf(geometry(id).c_str(), "Window %*s Position: %d,%d", &left, &top), 2);
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  screen = screenshot();
  ASSERT_TRUE(screen);
  const double before = meanDifference(textFrame(*screen, left, top), savedText);
  keys({"F3"});
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  click(id, 100, 124);
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  screen = screenshot();
  ASSERT_TRUE(screen);
  EXPECT_LT(meanDifference(gameThumbnail(*screen, left, top), saved->thumbnail), 12)
      << "the scene is not the one saved";
  const double after = meanDifference(textFrame(*screen, left, top), savedText);
  EXPECT_LT(after, 3) << "the text is not the one saved";
  EXPECT_GT(before, after + 3) << "the start already showed the saved text";
  keys({"Escape"});
  const ProcessResult r = finish();
  EXPECT_EQ(r.exitCode, 0) << r.err;
}

// Replaces the first occurrence of some text (UTF-8) in a Shift-JIS script, as an editor saves it.
void editScript(const std::filesystem::path& script, const std::string& from, const std::string& to) {
  std::string bytes = test::readBytes(script);
  const std::size_t at = bytes.find(test::sjis(from));
  ASSERT_NE(at, std::string::npos) << from;
  bytes.replace(at, test::sjis(from).size(), test::sjis(to));
  std::ofstream(script, std::ios::binary | std::ios::trunc) << bytes;
}

// How long an edit may take to show: a bound that catches a reload that never comes or plays the game
// from its start, not a measure (the reload benchmark has that). A sanitized build runs the fast-forward
// several times slower.
#if defined(__SANITIZE_ADDRESS__)
constexpr auto kReloadBound = std::chrono::seconds(8);
#else
constexpr auto kReloadBound = std::chrono::seconds(3);
#endif

TEST_F(WindowKeyboard, AnEditWhilePlayingShowsAtTheSameWaitAndAnErrorLeavesTheGameGoing) {
  const std::filesystem::path game = dir_.path() / "demo";
  std::filesystem::copy(std::filesystem::path(TAVRIK_SOURCE_DIR) / "examples" / "demo", game,
                        std::filesystem::copy_options::recursive);
  const std::string script = (game / "start.tvk").string();
  auto reference = [&](const std::filesystem::path& start, const std::string& name) {
    const std::filesystem::path picture = dir_.path() / (name + ".png");
    EXPECT_EQ(copy_
                  .run({start.string(), "--headless", "--new", "--goto", start.string() + ":30", "--frames",
                        "60", "--screenshot", picture.string(), "--saves", (dir_.path() / name).string()})
                  .exitCode,
              0);
    const std::optional<DecodedImage> drawn = decodeImageFile(picture);
    // (A headless frame has no menu strip above the game.)
    return drawn ? textFrame(Screen{800, 600, drawn->pixels}, 0, -24) : std::vector<std::uint32_t>{};
  };
  const std::vector<std::uint32_t> oldText = reference(game / "start.tvk", "old");
  startWith({script, "-nce", "--new", "--saves", (dir_.path() / "saves").string()});
  const std::string id = window("tavrik", "--class");
  int left = 0, top = 0;
  ASSERT_EQ(std::sscanf(geometry(id).c_str(), "Window %*s Position: %d,%d", &left, &top), 2);
  // At the first wait, its two lines typed out and standing still (as a headless run shows that wait),
  // however slow the build.
  std::optional<Screen> screen;
  std::vector<std::uint32_t> before, last;
  for (int attempt = 0; attempt < 120 && before.empty(); ++attempt) {
    std::this_thread::sleep_for(std::chrono::milliseconds(250));
    screen = screenshot();
    if (!screen) continue;
    std::vector<std::uint32_t> now = textFrame(*screen, left, top);
    if (!last.empty() && meanDifference(now, last) < 0.05 && meanDifference(now, oldText) < 3.5) before = now;
    last = std::move(now);
  }
  ASSERT_FALSE(before.empty()) << "the game never reached its first wait";
  // The text stands still a while before the wait for the text frame's actions ends and the input wait
  // begins (an edit before any input wait plays the game from its start).
  std::this_thread::sleep_for(std::chrono::seconds(4));

  editScript(game / "start.tvk", "今夜は星がよく見えるね。", "今夜は月がきれいだね。");
  const auto edited = std::chrono::steady_clock::now();
  std::vector<std::uint32_t> after;
  while (std::chrono::steady_clock::now() - edited < kReloadBound) {
    screen = screenshot();
    if (screen && meanDifference(textFrame(*screen, left, top), before) > 0.5) {
      after = textFrame(*screen, left, top);
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  const auto took = std::chrono::steady_clock::now() - edited;
  ASSERT_FALSE(after.empty()) << "the edit never showed";
  // Well within the second a player waits (the reload benchmark measures it; a sanitised build is slower).
  EXPECT_LT(took, kReloadBound);
  // The same wait with the edited line, once it stands still: nearer a headless run of the edited
  // script at that wait than one of the script as it was.
  for (int attempt = 0; attempt < 40; ++attempt) {
    std::this_thread::sleep_for(std::chrono::milliseconds(250));
    screen = screenshot();
    ASSERT_TRUE(screen);
    std::vector<std::uint32_t> now = textFrame(*screen, left, top);
    const bool still = meanDifference(now, after) < 0.05;
    after = std::move(now);
    if (still) break;
  }
  const std::vector<std::uint32_t> editedText = reference(game / "start.tvk", "edited");
  EXPECT_LT(meanDifference(after, editedText), 3.5);
  EXPECT_LT(meanDifference(after, editedText) * 2, meanDifference(after, oldText)) << "not the edited line";

  // A mistake: the report comes over the game, which goes on.
  editScript(game / "start.tvk", "＃待つ", "＃待ちます");
  bool reported = false;
  for (int attempt = 0; attempt < 30 && !reported; ++attempt) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    screen = screenshot();
    reported = screen && meanDifference(textFrame(*screen, left, top), after) > 5;
  }
  EXPECT_TRUE(reported) << "no report over the game";
  EXPECT_NE(geometry(id), "") << "the window is still there";
  keys({"Escape"});
  const ProcessResult r = finish();
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.err.find("スクリプトエラー"), std::string::npos) << r.err;
}

TEST_F(WindowKeyboard, F12ShowsTheDebugViewWhereAVariableIsEdited) {
  const std::filesystem::path demo =
      std::filesystem::path(TAVRIK_SOURCE_DIR) / "examples" / "demo" / "start.tvk";
  // Where the view draws the second variable's field: as the view lays itself out headless.
  std::array<float, 4> field{};
  {
    test::OverlayRig rig;
    GraphicsDevice* device = rig.device.get();
    Overlay* overlay = rig.overlay.get();
    ASSERT_TRUE(overlay);
    applyLook(Theme{});  // the player's own look: its spacing places the fields
    DebugSnapshot snapshot;
    snapshot.placeUtf8 = "start.tvk:1";
    for (const char* name : {"選択結果", "選んだ", "きらめき", "周回"})
      snapshot.variables.emplace_back(name, 0.0f);
    DebugView view;
    overlay->addCharacters(DebugView::characters(snapshot));
    overlay->setContent([&] { view.build(snapshot); });
    device->present();
    ASSERT_GE(view.variableRects().size(), 2u);
    field = view.variableRects()[1];
  }
  startWith({demo.string(), "-nce", "--new", "--debug", "--saves", (dir_.path() / "saves").string(),
             "--dump-variables"});
  const std::string id = window("tavrik", "--class");
  std::this_thread::sleep_for(std::chrono::seconds(1));
  keys({"F12"});
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  // The window's interface is the whole window, menu strip included, as the headless frame is.
  tool("xdotool", {"mousemove", "--window", id, std::to_string(static_cast<int>(field[0]) + 30),
                   std::to_string(static_cast<int>((field[1] + field[3]) / 2))});
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  tool("xdotool", {"click", "1"});
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  keys({"ctrl+a", "4", "2", "Return"});
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  std::optional<Screen> screen = screenshot();
  ASSERT_TRUE(screen);
  // Esc closes the view, a second ends the player (which does not ask).
  keys({"Escape", "Escape"});
  const ProcessResult r = finish();
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("選んだ=42\n"), std::string::npos) << r.out;
}

TEST_F(WindowManaged, EveryWayTheDesktopClosesTheWindowAsksThenKeepsThePlay) {
  const Drawn drawn = drawnConfirmation();
  ASSERT_LT(drawn.x0, drawn.x1) << "no box drawn headless";
  const std::vector<std::pair<std::string, std::function<void(const std::string&)>>> ways = {
      {"wmctrl -c",
       [](const std::string& id) {
         tool("wmctrl", {"-i", "-c", id});
       }},
      {"Alt+F4", [this](const std::string&) { keys({"alt+F4"}); }},
      // The title bar's close button, at the right end of the bar above the window.
      {"the title bar's button",
       [](const std::string& id) {
         tool("xdotool", {"mousemove", "--window", id, "789", "-11"});
         std::this_thread::sleep_for(std::chrono::milliseconds(100));
         tool("xdotool", {"click", "1"});
       }},
  };
  const std::string game = dir_.write("game.tvk", test::sjisScript(kGame)).string();
  for (const auto& [way, closeWindow] : ways) {
    SCOPED_TRACE(way);
    const std::filesystem::path saves = dir_.path() / ("saves " + way);
    startWith({game, "--saves", saves.string()});
    const std::string id = window();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    closeWindow(id);
    std::optional<std::pair<int, int>> at;
    for (int attempt = 0; attempt < 30 && !at; ++attempt) {
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
      if (const std::optional<Screen> screen = screenshot()) at = find(*screen, drawn);
    }
    EXPECT_TRUE(at) << "no confirmation on the screen";
    EXPECT_NE(geometry(id), "") << "the window went without asking";
    keys({"Return"});
    const ProcessResult r = finish();
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(std::filesystem::exists(saves / "auto.sav")) << "the play was not kept";
  }
  // Told not to ask, the player closes at once, and still keeps the play.
  const std::filesystem::path saves = dir_.path() / "saves -nce";
  startWith({game, "-nce", "--saves", saves.string()});
  tool("wmctrl", {"-i", "-c", window()});
  const ProcessResult r = finish();
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_TRUE(std::filesystem::exists(saves / "auto.sav"));
}

TEST_F(WindowManaged, ATapThatArrivesAndPressesAtOnceChooses) {
  // As a touch screen, a pen or a remote desktop taps: the pointer comes and presses in one go.
  const std::filesystem::path game = writeButtonGame(dir_);
  startWith(
      {game.string(), "-nce", "--new", "--saves", (dir_.path() / "saves").string(), "--dump-variables"});
  const std::string id = window();
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  // The game's pixel (150, 125), under the menu strip.
  tool("xdotool", {"mousemove", "--window", id, "150", std::to_string(125 + 24), "click", "1"});
  for (int attempt = 0; attempt < 30 && geometry(id) != ""; ++attempt)
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  if (geometry(id) != "") tool("wmctrl", {"-i", "-c", id});
  const ProcessResult r = finish();
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "選択結果=2\n") << "the tap chose nothing";
}

TEST_F(WindowManaged, AScriptThatCannotBeReadIsReportedOverTheGameWhichGoesOn) {
  const std::filesystem::path game = dir_.write("game/game.tvk", test::sjisScript(kGame));
  const std::filesystem::path saves = dir_.path() / "saves";
  startWith({game.string(), "--saves", saves.string()});
  const std::string id = window();
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  // Each way the script can stop being a readable file; each is reported and the game plays on.
  const std::vector<std::pair<std::string, std::function<void()>>> breakings = {
      {"deleted", [&] { std::filesystem::remove(game); }},
      {"a folder", [&] { std::filesystem::create_directory(game); }},
      {"empty", [&] { std::ofstream(game, std::ios::trunc).flush(); }},
      {"a pipe", [&] { ASSERT_EQ(::mkfifo(game.c_str(), 0600), 0); }},
      {"a link to /dev/zero", [&] { std::filesystem::create_symlink("/dev/zero", game); }},
      {"a gigabyte", [&] { std::filesystem::resize_file(dir_.write("game/game.tvk", ""), 1u << 30); }},
  };
  for (const auto& [what, breakScript] : breakings) {
    SCOPED_TRACE(what);
    std::error_code ec;
    std::filesystem::remove(game, ec);
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    breakScript();
    std::this_thread::sleep_for(std::chrono::milliseconds(600));
    ASSERT_NE(geometry(id), "") << "the player ended";
  }
  tool("wmctrl", {"-i", "-c", id});
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  keys({"Return"});
  const ProcessResult r = finish();
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_TRUE(std::filesystem::exists(saves / "auto.sav")) << "the play was not kept";
  std::size_t reports = 0;
  for (std::size_t at = r.err.find("スクリプトエラー"); at != std::string::npos;
       at = r.err.find("スクリプトエラー", at + 1))
    ++reports;
  EXPECT_GE(reports, breakings.size()) << r.err;
  for (const char* said :
       {"」が見つかりません。", "」は通常のファイルではないので読めません。",
        "」は大きすぎて読めません（64MBまで）。", "」には命令がありません。ゲームはそのまま続きます。"})
    EXPECT_NE(r.err.find(said), std::string::npos) << said;
}

}  // namespace
}  // namespace tavrik
