// A game stopped anywhere and started again from its stored state plays on exactly as if it had never
// stopped: the same variables at the end and the same last frame, pixel for pixel. Each restore runs in
// a fresh player process, as the automation options are used.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <future>
#include <map>
#include <sstream>

#include "base/files.h"
#include "platform/image_decoder.h"
#include "script/compiler/script_compiler.h"
#include "script/runtime/game_state.h"
#include "support/app_support.h"

namespace tavrik {
namespace {

namespace fs = std::filesystem;

// The events of a file as single presses, releases and moves, so that they can be cut at any frame:
// "click" and "key" span frames.
std::multimap<long long, std::string> primitiveEvents(const std::string& text) {
  std::multimap<long long, std::string> out;
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    line = line.substr(0, line.find('#'));
    std::istringstream words(line);
    long long frame = 0;
    std::string kind;
    if (!(words >> frame >> kind)) continue;
    std::string rest;
    std::getline(words, rest);
    if (kind == "click") {
      out.emplace(frame, "move" + rest);
      out.emplace(frame + 1, "down left");
      out.emplace(frame + 2, "up left");
    } else if (kind == "key") {
      out.emplace(frame, "keydown" + rest);
      out.emplace(frame + 1, "keyup" + rest);
    } else {
      out.emplace(frame, kind + rest);
    }
  }
  return out;
}

// The events from frame `from` on, counted from there.
std::string eventsFrom(const std::multimap<long long, std::string>& events, long long from) {
  std::ostringstream out;
  for (auto it = events.lower_bound(from); it != events.end(); ++it)
    out << it->first - from << " " << it->second << "\n";
  return out.str();
}

std::vector<std::uint8_t> bytesOf(const fs::path& file) {
  const std::optional<std::string> bytes = readFile(file);
  return bytes ? std::vector<std::uint8_t>(bytes->begin(), bytes->end()) : std::vector<std::uint8_t>{};
}

// What a stored state shows the game doing.
struct Situation {
  bool inTimeWait = false;
  bool inputWaiting = false;
  bool textTyping = false;
  bool choiceWaiting = false;
};

Situation situationOf(const GameState& state, const Program& program) {
  Situation s;
  if (state.programCounter >= 0 && static_cast<std::size_t>(state.programCounter) < program.code.size()) {
    const Command& command = program.commandAt(static_cast<std::size_t>(state.programCounter));
    s.inTimeWait = std::holds_alternative<WaitTimeCommand>(command) && state.progress.begun &&
                   state.progress.remaining > 0;
    s.choiceWaiting = std::holds_alternative<WaitChoiceCommand>(command) && state.progress.begun;
    s.inputWaiting = std::holds_alternative<WaitInputCommand>(command);
  }
  for (const LayerState& layer : state.layers) {
    s.textTyping |=
        std::any_of(layer.characters.begin(), layer.characters.end(),
                    [](const CharacterState& c) { return c.object.action && !c.object.fields.finished; });
  }
  return s;
}

class Determinism : public ::testing::Test {
 protected:
  // Plays the game through, storing its state before every frame; then restores the state of twenty
  // frames spread over the run (among them one while text types, one while a choice waits, and one
  // inside a time wait or, for a game without one, an input wait) in fresh players and plays each to
  // the end.
  void playAndRestore(const fs::path& script, const std::string& eventsText, bool hasTimeWaits) {
    const std::multimap<long long, std::string> events = primitiveEvents(eventsText);
    const fs::path states = dir.path() / "states";
    fs::create_directories(states);
    constexpr long long kLimit = 3000;
    std::string everyFrame = eventsFrom(events, 0);
    for (long long frame = 0; frame < kLimit; ++frame)
      everyFrame += std::to_string(frame) + " save-state " + (states / std::to_string(frame)).string() + "\n";
    const fs::path reference = dir.path() / "reference.png";
    const test::ProcessResult played = player.run(
        {script.string(), "--headless", "-nce", "--events", dir.write("all.events", everyFrame).string(),
         "--frames", std::to_string(kLimit), "--dump-variables", "--screenshot", reference.string()});
    ASSERT_EQ(played.exitCode, 0) << played.err;
    long long length = 0;
    while (fs::exists(states / std::to_string(length))) ++length;
    ASSERT_GT(length, 40) << "the game ends by itself, after a while";
    ASSERT_LT(length, kLimit) << "the game ends by itself";

    const CompileResult compiled = compileScript(test::scriptPath(script));
    ASSERT_TRUE(compiled.program);
    std::vector<long long> frames;
    for (long long i = 0; i < 17; ++i) frames.push_back(i * (length - 1) / 16);
    bool wait = false, typing = false, choice = false;
    for (long long frame = 0; frame < length && !(wait && typing && choice); ++frame) {
      const DecodedState decoded = decodeState(bytesOf(states / std::to_string(frame)), *compiled.program);
      ASSERT_TRUE(decoded.state) << frame << ": " << describe(decoded.error);
      const Situation s = situationOf(*decoded.state, *compiled.program);
      const bool waiting = hasTimeWaits ? s.inTimeWait : s.inputWaiting;
      for (auto [seen, found] : {std::pair{&wait, waiting}, std::pair{&typing, s.textTyping},
                                 std::pair{&choice, s.choiceWaiting}}) {
        if (found && !*seen) {
          *seen = true;
          frames.push_back(frame + 3);  // a few frames into it
        }
      }
    }
    ASSERT_TRUE(wait && typing && choice) << wait << typing << choice;
    ASSERT_EQ(frames.size(), 20u);

    const std::optional<DecodedImage> expected = decodeImageFile(reference);
    ASSERT_TRUE(expected);
    // Two players at a time: each is a process of its own.
    std::vector<std::future<void>> runs;
    for (long long frame : frames) {
      runs.push_back(std::async(std::launch::async, [&, frame] {
        const std::string name = std::to_string(frame);
        const fs::path shot = dir.path() / ("restored" + name + ".png");
        const test::ProcessResult restored = player.run(
            {script.string(), "--headless", "-nce", "--restore-state", (states / name).string(), "--events",
             dir.write("from" + name + ".events", eventsFrom(events, frame)).string(), "--frames",
             std::to_string(kLimit), "--dump-variables", "--screenshot", shot.string()});
        EXPECT_EQ(restored.exitCode, 0) << "frame " << frame << ": " << restored.err;
        EXPECT_EQ(restored.out, played.out) << "variables after restoring frame " << frame;
        const std::optional<DecodedImage> actual = decodeImageFile(shot);
        ASSERT_TRUE(actual) << frame;
        EXPECT_TRUE(actual->pixels == expected->pixels) << "last frame after restoring frame " << frame;
      }));
      if (runs.size() == 2) {
        for (auto& r : runs) r.get();
        runs.clear();
      }
    }
    for (auto& r : runs) r.get();
  }

  test::PlayerCopy player;
  test::TempDir dir;
};

TEST_F(Determinism, TheDemoRestoredAnywherePlaysOnAsIfItHadNeverStopped) {
  // The same face on every machine, as the demo's reference pictures.
  std::ofstream(player.binDir() / "tavrik.ini", std::ios::binary)
      << "Font=" << test::sjis("IPA Pゴシック") << "\r\n";
  const fs::path demo = fs::path(TAVRIK_SOURCE_DIR) / "examples" / "demo";
  const std::optional<std::string> events = readFile(demo / "demo.events");
  ASSERT_TRUE(events);
  playAndRestore(demo / "start.tvk", *events, false);
}

// A short WAV of silence, for the channels.
std::string silentWav() {
  auto le32 = [](std::uint32_t v) {
    return std::string{static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
                       static_cast<char>(v >> 24)};
  };
  const std::string data(4000, '\0');
  return "RIFF" + le32(36 + 4000) + "WAVEfmt " + le32(16) + std::string("\x01\x00\x02\x00", 4) + le32(44100) +
         le32(176400) + std::string("\x04\x00\x10\x00", 4) + "data" + le32(4000) + data;
}

// Blinking and drifting with a random spread (where the star ends up depends on every pause it took),
// typing with tags, a swaying person, music and a moving sound effect, a loop of time waits, and a
// choice.
constexpr const char* kGame =
    "＃タイトル：決定性\n"
    "＃単純レイヤー宣言：背景\n＃単純レイヤー宣言：星\n＃人物レイヤー宣言：人，２００，３００\n"
    "＃文字レイヤー宣言：枠，２０，２０，８００，２００\n＃単純レイヤー宣言：はい\n＃単純レイヤー宣言：いいえ"
    "\n"
    "＃音楽チャネル宣言：曲\n＃効果音チャネル宣言：音\n＃変数宣言：回数，結果\n"
    "＃動作宣言：表示\n０，Ａ，１\n＃動作宣言：下\n０，Ａ，１\n０，Y，４００\n"
    "＃動作宣言：揺れ\n０，Ａ，１\n０，X，３００\n０，VX，1.5\n１０，VX，-1.5\n２０，TIME，０\n"
    "＃動作宣言：左\n０，Ａ，１\n０，X，１００\n０，Y，１００\n"
    "＃動作宣言：右\n０，Ａ，１\n０，X，４００\n０，Y，１００\n"
    "＃動作宣言：漂う\n０，Ａ，１\n０，Y，３５０\n０，VX，２\n０，RWAIT，３０\n０，WAIT，１０\n１，TIME，０\n"
    "＃目動作宣言：瞬き\n０，INDEX，０\n０，RWAIT，４０\n０，WAIT，２０\n１，INDEX，１\n５，INDEX，０\n６，TI"
    "ME，０\n"
    "＃口動作宣言：口\n０，INDEX，１\n３，INDEX，０\n６，TIME，０\n"
    "＃文字動作宣言：普通，２，２４\n０，VA，0.25\n４，END，０\n"
    "＃文字動作宣言：赤，３，２４\n０，G，０\n０，B，０\n０，VA，0.5\n２，END，０\n"
    "＃動作宣言：鳴る\n０，PLAY，－１\n０，VOL，0.5\n"
    "＃動作宣言：効果\n０，X，－３\n０，VX，0.5\n０，PLAY，０\n１２，END，０\n"
    "＃はい選択宣言：１，1.2，0.05\n＃いいえ選択宣言：２，1.2，0.05\n"
    "＃背景画像：bg\n＃星画像：star\n＃人画像：person\n＃枠画像：frame\n＃はい画像：yes\n＃いいえ画像：no\n"
    "＃曲ロード：tune.wav\n＃音ロード：se.wav\n"
    "＃背景表示\n＃星漂う\n＃枠下\n＃人揺れ\n＃人瞬き\n＃人口\n＃曲鳴る\n"
    "＃ループ：回数<３\n＃枠普通：\n第$赤$一$普通$の文章です。$$\n＃時間待機：４０\n＃音効果\n＃式：回数+=1\n"
    "＃ループ終了\n"
    "＃はい左\n＃いいえ右\n＃選択待機\n＃式：結果=選択結果\n"
    "＃条件：結果==1\n＃枠普通：\nはい！\n＃条件終了\n＃動作待機：枠\n＃時間待機：２０\n";

TEST_F(Determinism, AGeneratedGameRestoredAnywherePlaysOnAsIfItHadNeverStopped) {
  const fs::path game = dir.path() / "game";
  const test::TempDir& d = dir;
  d.write("game/main.tvk", test::sjisScript(kGame));
  d.write("game/tune.wav", silentWav());
  d.write("game/se.wav", silentWav());
  auto pictureFile = [&](const std::string& name, const DecodedImage& image) {
    ASSERT_TRUE(savePng(image, game / (name + ".png")));
  };
  pictureFile("bg", test::picture(800, 600, [](int x, int y) {
                return 0xFF000000u | (x * 256 / 800) << 16 | (y * 256 / 600);
              }));
  pictureFile("person",
              test::picture(200, 300, [](int x, int y) { return (x + y) % 7 ? 0xFFC08060u : 0x80FFFFFFu; }));
  // Eyes high up and the mouth below them, each showing which picture it is.
  for (const auto& [part, colour, top] : {std::tuple{"目0", 0xFF2020A0u, 60},
                                          {"目1", 0xFF000000u, 60},
                                          {"口0", 0xFFA02020u, 150},
                                          {"口1", 0xFF600000u, 150}}) {
    pictureFile(std::string("person") + part, test::picture(200, 300, [c = colour, t = top](int x, int y) {
                  return (y > t && y < t + 20 && x > 60 && x < 140) ? c : 0u;
                }));
  }
  pictureFile("frame", test::solidPicture(800, 200, 0xA0102040u));
  pictureFile("star", test::solidPicture(20, 20, 0xFFFFFF00u));
  pictureFile("yes", test::solidPicture(100, 50, 0xFF40C040u));
  pictureFile("no", test::solidPicture(100, 50, 0xFFC04040u));
  // The choice comes up after three passes of the loop, about frame 130; "はい" is taken at 200.
  playAndRestore(game / "main.tvk", "160 move 700 500\n200 click 150 125\n", true);
}

TEST_F(Determinism, AStateOfAnotherScriptACutOneAndADamagedOneAreRefused) {
  const fs::path first =
      dir.write("first.tvk", test::sjisScript("＃変数宣言：a\n＃時間待機：５\n＃式：a=1\n"));
  const fs::path second = dir.write("second.tvk", test::sjisScript("＃変数宣言：b\n＃時間待機：５\n"));
  const fs::path state = dir.path() / "first.state";
  ASSERT_EQ(player
                .run({first.string(), "--headless", "--events",
                      dir.write("e", "2 save-state " + state.string()).string()})
                .exitCode,
            0);
  const std::vector<std::uint8_t> good = bytesOf(state);
  ASSERT_GT(good.size(), 40u);
  const test::ProcessResult ok =
      player.run({first.string(), "--headless", "--restore-state", state.string(), "--dump-variables"});
  EXPECT_EQ(ok.exitCode, 0) << ok.err;
  EXPECT_EQ(ok.out, "選択結果=0\na=1\n");

  auto refusal = [&](const fs::path& script, const std::string& bytes) {
    const fs::path file = dir.write("tried.state", bytes);
    return player.run({script.string(), "--headless", "--restore-state", file.string()});
  };
  const std::string goodBytes(good.begin(), good.end());
  const test::ProcessResult other = refusal(second, goodBytes);
  EXPECT_EQ(other.exitCode, 1);
  EXPECT_NE(other.err.find("the saved moment is no longer in the changed script"), std::string::npos)
      << other.err;
  const test::ProcessResult cut = refusal(first, goodBytes.substr(0, goodBytes.size() - 5));
  EXPECT_EQ(cut.exitCode, 1);
  EXPECT_NE(cut.err.find("cut short"), std::string::npos) << cut.err;
  std::string flipped = goodBytes;
  flipped[flipped.size() - 3] ^= 0x40;
  const test::ProcessResult damaged = refusal(first, flipped);
  EXPECT_EQ(damaged.exitCode, 1);
  EXPECT_NE(damaged.err.find("damaged"), std::string::npos) << damaged.err;
  const test::ProcessResult missing =
      player.run({first.string(), "--headless", "--restore-state", "nothing.state"});
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_NE(missing.err.find("cannot read the state file nothing.state"), std::string::npos) << missing.err;
}

}  // namespace
}  // namespace tavrik
