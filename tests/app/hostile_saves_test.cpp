// Saves and states crafted to harm the player, sealed as the player seals its own: each is refused or
// shown with a clear message, in bounded time and memory, and the game goes on. Each case is named after
// what it once broke; the files are made here, never kept whole.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <functional>

#include "app/save_store.h"
#include "base/byte_io.h"
#include "base/hash.h"
#include "platform/image_decoder.h"
#include "script/compiler/script_compiler.h"
#include "script/runtime/game_state.h"
#include "script/runtime/history.h"
#include "support/app_support.h"

namespace tavrik {
namespace {

namespace fs = std::filesystem;
using test::PlayerCopy;
using test::ProcessResult;

constexpr long kMemoryBoundMb = 600;
constexpr auto kTimeBound = std::chrono::seconds(10);

bool contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// A game played headless, with the saves in saves; it must end in time and memory.
ProcessResult playBounded(const PlayerCopy& player, const fs::path& script, const fs::path& saves,
                          const std::string& events, std::vector<std::string> extra = {}) {
  test::TempDir eventsDir;
  std::vector<std::string> arguments = {
      script.string(), "--headless", "--saves",  saves.string(),
      "--frames",      "12",         "--events", eventsDir.write("e", events).string()};
  arguments.insert(arguments.end(), extra.begin(), extra.end());
  const auto start = std::chrono::steady_clock::now();
  ProcessResult r = player.run(arguments);
  EXPECT_LT(std::chrono::steady_clock::now() - start, kTimeBound);
  EXPECT_LT(r.peakResidentMb, kMemoryBoundMb);
  return r;
}

// A person with three eye pictures, a text frame and two input waits.
struct CraftedGame {
  CraftedGame() {
    for (const char* name : {"face.png", "face目0.png", "face目1.png", "face目2.png"})
      EXPECT_TRUE(savePng(test::solidPicture(64, 64, 0xFF808080u), dir.path() / name));
    script = dir.write("game/s.tvk", test::sjisScript("＃人物レイヤー宣言：人\n＃文字レイヤー宣言：枠\n"
                                                      "＃文字動作宣言：文字，２，２４\n０，Ａ，１\n"
                                                      "＃人画像：face\n＃枠文字：\nこんにちは\n"
                                                      "＃入力待機\n＃入力待機\n"));
    for (const char* name : {"face.png", "face目0.png", "face目1.png", "face目2.png"})
      fs::copy_file(dir.path() / name, dir.path() / "game" / name);
    saves = dir.path() / "saves";
    // A save the player made itself, at the first wait, and the program it belongs to.
    const ProcessResult made =
        player.run({script.string(), "--headless", "--saves", saves.string(), "--frames", "6", "--events",
                    dir.write("e", "4 save 1\n").string()});
    EXPECT_EQ(made.exitCode, 0) << made.err;
    SaveProblem problem = SaveProblem::None;
    const std::optional<SaveData> read = SaveStore(saves).read(1, &problem);
    EXPECT_TRUE(read.has_value());
    if (read) save = *read;
    CompileResult compiled = compileScript(test::scriptPath(script));
    EXPECT_FALSE(compiled.error.has_value());
    program = compiled.program;
    if (program) {
      const DecodedState decoded = decodeState(save.state, *program);
      EXPECT_TRUE(decoded.state.has_value());
      if (decoded.state) state = *decoded.state;
    }
  }

  // Writes a save into slot 1 as the player would have sealed it.
  void writeSlot(const SaveData& crafted) const { ASSERT_TRUE(SaveStore(saves).write(1, crafted)); }
  SaveData withState(const GameState& crafted) const {
    SaveData out = save;
    out.state = encodeState(crafted, *program);
    return out;
  }

  PlayerCopy player;
  test::TempDir dir;
  fs::path script;
  fs::path saves;
  SaveData save;
  std::shared_ptr<const Program> program;
  GameState state;
};

// The state with count characters on the text layer, each as the last it shows: made in bytes, as a
// state of millions of characters would not fit this process either.
std::vector<std::uint8_t> withManyCharacters(const CraftedGame& game, std::size_t count) {
  const std::vector<CharacterState>& shown = game.state.layers[1].characters;
  GameState one = game.state, more = game.state;
  more.layers[1].characters.push_back(shown.back());
  const std::vector<std::uint8_t> a = encodeState(one, *game.program), b = encodeState(more, *game.program);
  // The count is where the two first differ; the last character's bytes end where they differ again.
  constexpr std::size_t kHeader = 32;
  std::size_t at = kHeader;
  while (a[at] == b[at]) ++at;
  std::size_t end = at + 4;
  while (a[end] == b[end]) ++end;
  const std::size_t length = b.size() - a.size();
  std::vector<std::uint8_t> payload(a.begin() + kHeader, a.begin() + static_cast<long>(end));
  const std::vector<std::uint8_t> character(a.begin() + static_cast<long>(end - length),
                                            a.begin() + static_cast<long>(end));
  for (std::size_t i = shown.size(); i < count; ++i)
    payload.insert(payload.end(), character.begin(), character.end());
  payload.insert(payload.end(), a.begin() + static_cast<long>(end), a.end());
  for (int k = 0; k < 4; ++k) payload[at - kHeader + k] = static_cast<std::uint8_t>(count >> (8 * k));
  ContentHash check;
  check.add(payload.data(), payload.size());
  ByteWriter header;
  header.out().assign(a.begin(), a.begin() + 20);
  header.u32(static_cast<std::uint32_t>(payload.size()));
  header.u64(check.value());
  std::vector<std::uint8_t> out = std::move(header.out());
  out.insert(out.end(), payload.begin(), payload.end());
  return out;
}

TEST(CraftedSaves, ASummaryOfSixtyMegabytesCrashedTheLoadScreen) {
  CraftedGame game;
  SaveData crafted = game.save;
  crafted.text = std::string(60 * 1024 * 1024, 'a');
  game.writeSlot(crafted);
  const ProcessResult screen = playBounded(game.player, game.script, game.saves, "2 key F3\n6 key Escape\n");
  EXPECT_EQ(screen.exitCode, 0) << screen.err;
  // The game in it loads; the words are cut to the summary a save keeps.
  const ProcessResult load = playBounded(game.player, game.script, game.saves, "2 load 1\n");
  EXPECT_EQ(load.exitCode, 0);
  EXPECT_EQ(load.err, "");
  SaveProblem problem = SaveProblem::None;
  const std::optional<SaveData> read = SaveStore(game.saves).read(1, &problem);
  ASSERT_TRUE(read.has_value());
  EXPECT_EQ(read->text.size(), kSummaryCharacters);
}

TEST(CraftedSaves, StatesThatAskForMoreThanTheGameHoldsRanAwayWithMemory) {
  CraftedGame game;
  ASSERT_TRUE(game.program);
  ASSERT_EQ(game.state.layers[0].eyePictures.size(), 3u);
  ASSERT_EQ(game.state.layers[1].characters.size(), 5u);
  const std::vector<std::pair<std::string, std::function<void(GameState&)>>> crafted = {
      // Each decoded again and again: gigabytes.
      {"one eye picture a thousand times",
       [](GameState& s) { s.layers[0].eyePictures.assign(1000, s.layers[0].eyePictures[0]); }},
      {"one eye picture twenty thousand times",
       [](GameState& s) { s.layers[0].eyePictures.assign(20000, s.layers[0].eyePictures[0]); }},
      // The game never went on.
      {"a counter before the start", [](GameState& s) { s.programCounter = -1; }},
  };
  std::vector<std::pair<std::string, std::vector<std::uint8_t>>> states;
  for (const auto& [what, craft] : crafted) {
    GameState state = game.state;
    craft(state);
    states.emplace_back(what, encodeState(state, *game.program));
  }
  // Gigabytes, and a second a frame.
  states.emplace_back("six million characters", withManyCharacters(game, 6'000'000));
  ASSERT_GT(states.back().second.size(), 50'000'000u);
  for (auto& [what, bytes] : states) {
    SCOPED_TRACE(what);
    SaveData save = game.save;
    save.state = std::move(bytes);
    const fs::path file = game.dir.path() / "crafted.state";
    std::ofstream(file, std::ios::binary)
        .write(reinterpret_cast<const char*>(save.state.data()),
               static_cast<std::streamsize>(save.state.size()));
    const ProcessResult restored =
        playBounded(game.player, game.script, game.saves, "", {"--restore-state", file.string()});
    EXPECT_EQ(restored.exitCode, 1);
    EXPECT_TRUE(contains(restored.err, "the state is damaged")) << restored.err;

    game.writeSlot(save);
    const ProcessResult loaded =
        playBounded(game.player, game.script, game.saves, "2 load 1\n3 key Return\n", {"--dump-variables"});
    EXPECT_EQ(loaded.exitCode, 0);
    EXPECT_TRUE(contains(loaded.err, "スロット1：セーブが壊れているので、ロードできません。")) << loaded.err;
  }
}

TEST(CraftedSaves, AContinueFromPastTheEndEndedTheGameAndLostThePlay) {
  CraftedGame game;
  ASSERT_TRUE(game.program);
  GameState ended = game.state;
  ended.programCounter = static_cast<std::int32_t>(game.program->code.size());
  ASSERT_TRUE(SaveStore(game.saves).write(kAutoSlot, game.withState(ended)));
  // Continuing is not offered for a save that does not load; the game plays from its start and the
  // automatic save stays.
  const ProcessResult r = playBounded(game.player, game.script, game.saves, "");
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_FALSE(contains(r.err, "前回の続き")) << r.err;
  EXPECT_TRUE(fs::exists(game.saves / "auto.sav"));
}

TEST(CraftedSaves, AFormatNumberedZeroIsRefused) {
  std::vector<std::uint8_t> bytes = encodeSave(SaveData{});
  SaveProblem problem = SaveProblem::None;
  ASSERT_TRUE(decodeSave(bytes, &problem).has_value());
  // The version, after the eight bytes of the magic, resealed.
  bytes[8] = 0;
  bytes.resize(bytes.size() - 8);
  ContentHash hash;
  hash.add(bytes.data(), bytes.size());
  ByteWriter seal;
  seal.u64(hash.value());
  bytes.insert(bytes.end(), seal.out().begin(), seal.out().end());
  EXPECT_FALSE(decodeSave(bytes, &problem).has_value());
  EXPECT_EQ(problem, SaveProblem::Damaged);
}

TEST(CraftedSaves, AHistoryOfSixtyMegabytesFrozeTheHistoryScreen) {
  CraftedGame game;
  // Ten entries of a million characters each, as the history's first form writes them.
  ByteWriter w;
  w.u32(0x31485654);  // "TVH1"
  w.u32(10);
  for (int entry = 0; entry < 10; ++entry) {
    const std::uint32_t characters = 1'000'000;
    w.u32(characters);
    for (std::uint32_t i = 0; i < characters; ++i) {
      w.u16(0x61);
      w.u32(0xFFFFFF);
    }
  }
  SaveData crafted = game.save;
  crafted.history = std::move(w.out());
  game.writeSlot(crafted);
  // The game loads with each entry cut to what the history keeps, and the history screen opens at once.
  const ProcessResult r =
      playBounded(game.player, game.script, game.saves, "2 load 1\n5 key PageUp\n8 key Escape\n");
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.err, "");
}

}  // namespace
}  // namespace tavrik
