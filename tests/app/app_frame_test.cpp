// The frame's handling of window events and menu commands, headless, through the same path as real
// events.
#include "app/app_frame.h"

#include <gtest/gtest.h>

namespace tavrik {
namespace {

struct TestFrame : AppFrame {
  TestFrame(FrameSettings settings, std::unique_ptr<GraphicsDevice> device)
      : AppFrame(std::move(settings), std::move(device)) {
    setClient(&counter);
  }
  struct : FrameClient {
    void update() override { ++updates; }
    int updates = 0;
  } counter;
};

std::unique_ptr<TestFrame> makeFrame(FrameSettings settings, std::vector<std::string>* asked,
                                     BoxAnswer answer) {
  settings.headless = true;
  settings.titleUtf8 = "Title";
  settings.answerBox = [asked, answer](const std::string& caption, const std::string& text) {
    if (asked) asked->push_back(caption + "|" + text);
    return answer;
  };
  DeviceOptions options;
  options.headless = true;
  return std::make_unique<TestFrame>(std::move(settings), GraphicsDevice::create(options, nullptr));
}

WindowEvent key(Key k, bool down = true) {
  WindowEvent e;
  e.type = down ? WindowEvent::Type::KeyDown : WindowEvent::Type::KeyUp;
  e.key = k;
  return e;
}

TEST(AppFrame, EscapeAsksAndCancelKeepsPlaying) {
  std::vector<std::string> asked;
  auto frame = makeFrame({}, &asked, BoxAnswer::Cancel);
  frame->handleEvent(key(Key::Escape));
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0], "終了確認|終了してもよろしいですか？");
  EXPECT_FALSE(frame->closing());
  WindowEvent close;
  close.type = WindowEvent::Type::Close;
  frame->handleEvent(close);
  EXPECT_FALSE(frame->closing());
  frame->runCommand(kCommandExit);
  EXPECT_EQ(asked.size(), 3u);

  auto ok = makeFrame({}, nullptr, BoxAnswer::Ok);
  ok->handleEvent(close);
  EXPECT_TRUE(ok->closing());
}

TEST(AppFrame, WithoutConfirmationTheWindowClosesAtOnce) {
  std::vector<std::string> asked;
  FrameSettings settings;
  settings.confirmExit = false;
  auto frame = makeFrame(std::move(settings), &asked, BoxAnswer::Cancel);
  frame->handleEvent(key(Key::Escape));
  EXPECT_TRUE(frame->closing());
  EXPECT_TRUE(asked.empty());
}

TEST(AppFrame, HelpWithoutAManualShowsTheVersionBox) {
  std::vector<std::string> asked;
  auto frame = makeFrame({}, &asked, BoxAnswer::Cancel);
  frame->runCommand(kCommandHelp);
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0].rfind("バージョン情報|「Title」\n\n", 0), 0u) << asked[0];
  EXPECT_NE(asked[0].find("[OK]を押すと下記のサポートWebサイトが開きます。\n（"), std::string::npos);

  FrameSettings withManual;
  withManual.helpPath = "/opt/tavrik/help/index.html";
  std::vector<std::string> none;
  auto helped = makeFrame(std::move(withManual), &none, BoxAnswer::Cancel);
  testing::internal::CaptureStderr();
  helped->handleEvent(key(Key::F1));
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "tavrik: open file:///opt/tavrik/help/index.html\n");
  EXPECT_TRUE(none.empty());
  // Shift+F1 is the version box.
  helped->handleEvent(key(Key::LeftShift));
  helped->handleEvent(key(Key::F1));
  EXPECT_EQ(none.size(), 1u);
}

TEST(AppFrame, TheVersionBoxOpensTheSupportPageOnOk) {
  FrameSettings settings;
  settings.supportUrl = "file:///opt/tavrik/help/index.html#support";
  auto frame = makeFrame(std::move(settings), nullptr, BoxAnswer::Ok);
  testing::internal::CaptureStderr();
  frame->runCommand(kCommandVersion);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "tavrik: open file:///opt/tavrik/help/index.html#support\n");
}

TEST(AppFrame, MouseAndKeysReachTheGameState) {
  auto frame = makeFrame({}, nullptr, BoxAnswer::Ok);
  WindowEvent move;
  move.type = WindowEvent::Type::MouseMove;
  move.x = 120;
  move.y = 340;
  frame->handleEvent(move);
  EXPECT_EQ(frame->mouse().x, 120);
  EXPECT_EQ(frame->mouse().y, 340);
  WindowEvent down;
  down.type = WindowEvent::Type::ButtonDown;
  down.button = MouseButton::Right;
  frame->handleEvent(down);
  EXPECT_TRUE(frame->mouse().right);
  EXPECT_FALSE(frame->mouse().left);
  // The back button is none of the buttons a script reads.
  WindowEvent back = down;
  back.button = MouseButton::Back;
  frame->handleEvent(back);
  back.type = WindowEvent::Type::ButtonUp;
  frame->handleEvent(back);
  EXPECT_TRUE(frame->mouse().right);
  EXPECT_FALSE(frame->mouse().left || frame->mouse().middle || frame->mouse().leftPressed);
  frame->handleEvent(key(Key::Space));
  frame->input().poll();
  EXPECT_TRUE(frame->input().pad(0).buttons[0]);
  WindowEvent blur;
  blur.type = WindowEvent::Type::FocusLost;
  frame->handleEvent(blur);
  frame->input().poll();
  EXPECT_FALSE(frame->input().pad(0).buttons[0]);
}

TEST(AppFrame, AClickShorterThanAFrameIsStillSeenByOneFrame) {
  struct Watch : AppFrame, FrameClient {
    Watch(FrameSettings s, std::unique_ptr<GraphicsDevice> d) : AppFrame(std::move(s), std::move(d)) {
      setClient(this);
    }
    void update() override { seen.push_back(mouse().left); }
    std::vector<bool> seen;
  };
  FrameSettings settings;
  settings.headless = true;
  settings.frameLimit = 3;
  WindowEvent down;
  down.type = WindowEvent::Type::ButtonDown;
  WindowEvent up = down;
  up.type = WindowEvent::Type::ButtonUp;
  DeviceOptions options;
  options.headless = true;
  Watch frame(std::move(settings), GraphicsDevice::create(options, nullptr));
  frame.AppFrame::handleEvent(down);
  frame.AppFrame::handleEvent(up);  // both before the first frame
  frame.run();
  EXPECT_EQ(frame.seen, (std::vector<bool>{true, false, false}));
}

TEST(AppFrame, FramesRunUpToTheLimit) {
  FrameSettings settings;
  settings.frameLimit = 7;
  auto frame = makeFrame(std::move(settings), nullptr, BoxAnswer::Ok);
  frame->run();
  EXPECT_EQ(frame->counter.updates, 7);
  EXPECT_EQ(frame->framesRun(), 7);
}

}  // namespace
}  // namespace tavrik
