// The running state as data: taken from an engine, turned into bytes and back, and refused when the
// bytes are not this program's own, whole and unchanged.
#include "script/runtime/game_state.h"

#include <gtest/gtest.h>

#include <functional>

#include "base/byte_io.h"
#include "base/hash.h"
#include "platform/image_decoder.h"

#include "script/runtime/script_engine.h"
#include "support/runtime_support.h"

namespace tavrik {
namespace {

// A game with a bit of everything: a blinking person, typing text, a choice, a channel, variables.
constexpr const char* kGame =
    "＃単純レイヤー宣言：背景\n＃人物レイヤー宣言：人\n＃文字レイヤー宣言：枠\n＃単純レイヤー宣言：ボタン\n"
    "＃音楽チャネル宣言：曲\n＃変数宣言：回数\n"
    "＃動作宣言：表示\n０，Ａ，１\n＃目動作宣言：瞬き\n０，RWAIT，３０\n０，WAIT，６０\n０，INDEX，１\n"
    "３，INDEX，０\n４，TIME，０\n＃文字動作宣言：文字，２，２４\n０，Ａ，１\n０，END，０\n"
    "＃動作宣言：鳴らす\n０，PLAY，－１\n＃ボタン選択宣言：７，１．２，０．１\n"
    "＃背景表示\n＃人表示\n＃人瞬き\n＃ボタン表示\n＃曲鳴らす\n"
    "＃ループ：回数<３\n＃枠文字：\nこんにちは$$世界\n＃時間待機：１０\n＃式：回数+=1\n＃ループ終了\n"
    "＃選択待機\n";

TEST(GameState, BytesComeBackAsTheSameState) {
  test::EngineRig rig;
  ASSERT_FALSE(rig.compile(kGame).has_value());
  rig.mouse.x = 123;
  rig.mouse.y = 45;
  rig.input.setKeyHeld(PadKey::X, true);
  for (int i = 0; i < 17; ++i) rig.engine->update();
  const GameState before = rig.engine->states().current();
  const std::vector<std::uint8_t> bytes = rig.engine->states().save();
  const DecodedState decoded = decodeState(bytes, *rig.program);
  ASSERT_TRUE(decoded.state.has_value()) << describe(decoded.error);
  const GameState& after = *decoded.state;
  EXPECT_EQ(after.programCounter, before.programCounter);
  EXPECT_EQ(after.progress.remaining, before.progress.remaining);
  EXPECT_EQ(after.variables, before.variables);
  EXPECT_EQ(after.random, before.random);
  EXPECT_EQ(after.input.mouse.x, 123);
  EXPECT_TRUE(after.input.keys[static_cast<std::size_t>(PadKey::X)]);
  ASSERT_EQ(after.layers.size(), 4u);
  const LayerState& text = after.layers[2];
  ASSERT_EQ(text.characters.size(), before.layers[2].characters.size());
  EXPECT_EQ(text.characters[3].object.fields.step, before.layers[2].characters[3].object.fields.step);
  EXPECT_EQ(text.characters[3].object.action, before.layers[2].characters[3].object.action);
  EXPECT_EQ(after.layers[1].eyes.fields.wait, before.layers[1].eyes.fields.wait);
  EXPECT_EQ(after.channels[0].playing, true);
  EXPECT_EQ(after.channels[0].repeats, 0xFFFFFFFFu);
  // The same state gives the same bytes.
  EXPECT_EQ(encodeState(after, *rig.program), bytes);
}

TEST(GameState, ARestoredEngineGoesOnExactlyAsTheOneThatNeverStopped) {
  test::EngineRig original;
  ASSERT_FALSE(original.compile(kGame).has_value());
  for (int i = 0; i < 23; ++i) original.engine->update();
  const std::vector<std::uint8_t> bytes = original.engine->states().save();

  test::EngineRig restored;
  restored.play(original.program);
  ASSERT_FALSE(restored.engine->states().restore(bytes).has_value());
  for (int frame = 0; frame < 200; ++frame) {
    original.engine->update();
    restored.engine->update();
    ASSERT_EQ(original.engine->states().save(), restored.engine->states().save()) << "frame " << frame;
  }
  original.engine->draw(true);
  restored.engine->draw(true);
  for (int y = 0; y < 600; y += 7) {
    for (int x = 0; x < 800; x += 7)
      ASSERT_EQ(original.device->pixelAt(x, y), restored.device->pixelAt(x, y));
  }
}

TEST(GameState, BytesOfAnotherProgramOrDamagedOnesAreRefusedAndChangeNothing) {
  test::EngineRig rig;
  ASSERT_FALSE(rig.compile(kGame).has_value());
  for (int i = 0; i < 30; ++i) rig.engine->update();
  const std::vector<std::uint8_t> good = rig.engine->states().save();
  for (int i = 0; i < 5; ++i) rig.engine->update();
  const std::vector<std::uint8_t> now = rig.engine->states().save();

  auto refused = [&](std::vector<std::uint8_t> bytes) {
    const std::optional<StateError> error = rig.engine->states().restore(bytes);
    EXPECT_EQ(rig.engine->states().save(), now) << "the running game is untouched";
    return error;
  };
  EXPECT_EQ(refused({}), StateError::NotAState);
  EXPECT_EQ(refused({'h', 'e', 'l', 'l', 'o'}), StateError::NotAState);
  for (std::size_t cut : {std::size_t{8}, std::size_t{20}, good.size() / 2, good.size() - 1}) {
    EXPECT_EQ(refused(std::vector<std::uint8_t>(good.begin(), good.begin() + static_cast<long>(cut))),
              StateError::Truncated)
        << cut;
  }
  for (std::size_t at = 32; at < good.size(); at += 7) {
    std::vector<std::uint8_t> flipped = good;
    flipped[at] ^= 0x10;
    EXPECT_EQ(refused(flipped), StateError::Damaged) << at;
  }
  std::vector<std::uint8_t> longer = good;
  longer.push_back(0);
  EXPECT_EQ(refused(longer), StateError::Damaged);
  std::vector<std::uint8_t> newer = good;
  newer[8] = 99;
  EXPECT_EQ(refused(newer), StateError::NewerVersion);

  test::EngineRig other;
  ASSERT_FALSE(other.compile(std::string(kGame) + "＃＃ one line more\n").has_value());
  EXPECT_FALSE(other.engine->states().restore(good).has_value())
      << "a comment added to the script leaves the state's wait where it was";

  EXPECT_FALSE(rig.engine->states().restore(good).has_value()) << "the good bytes still restore";
}

TEST(GameState, AStateOfTheFirstFormatLoadsIntoItsOwnProgramOnly) {
  // The first format: the counter, the progress and the rest by index, no names and no place.
  test::EngineRig rig, edited;
  ASSERT_FALSE(rig.compile("＃変数宣言：x\n＃式：x=5\n＃入力待機\n＃式：x=6\n").has_value());
  ASSERT_FALSE(edited.compile("＃＃ an edit\n＃変数宣言：x\n＃式：x=5\n＃入力待機\n＃式：x=6\n").has_value());
  ByteWriter payload;
  payload.i32(1);  // the counter, at the wait
  payload.flag(true);
  payload.i32(0);
  payload.flag(true);
  payload.u32(1);  // the generator
  payload.flag(false);
  payload.i32(0);
  payload.string("");
  payload.i32(0);
  payload.i32(0);
  payload.u8(0);
  payload.u32(0);
  payload.u32(2);  // the choice result and x
  payload.f32(0);
  payload.f32(5);
  payload.u32(0);  // no layers
  payload.u32(0);  // no channels
  auto sealed = [&](std::uint64_t identity) {
    ByteWriter w;
    for (char c : std::string_view("TVKSTATE")) w.u8(static_cast<std::uint8_t>(c));
    w.u32(1);
    w.u64(identity);
    w.u32(static_cast<std::uint32_t>(payload.out().size()));
    ContentHash check;
    check.add(payload.out().data(), payload.out().size());
    w.u64(check.value());
    w.out().insert(w.out().end(), payload.out().begin(), payload.out().end());
    return w.out();
  };
  ASSERT_FALSE(rig.engine->states().restore(sealed(rig.program->identity)).has_value());
  EXPECT_EQ(rig.variable("x"), 5.0f);
  EXPECT_EQ(rig.engine->waiting(), ScriptEngine::Waiting::Input);
  EXPECT_EQ(edited.engine->states().restore(sealed(rig.program->identity)), StateError::OtherProgram)
      << "without names or a place, it cannot be placed in an edited script";
}

TEST(GameState, AStateHoldsOnlyWhatItsProgramCouldHaveMade) {
  // A crafted state, sealed as the player seals one, must not ask for pictures or sounds the game never
  // names, millions of characters, a thousand eye pictures or a place outside the program.
  test::EngineRig rig;
  for (const char* name : {"face.png", "face目0.png", "face目1.png"})
    ASSERT_TRUE(savePng(test::solidPicture(8, 8, 0xFF808080u), rig.dir.path() / name));
  ASSERT_FALSE(rig.compile("＃人物レイヤー宣言：人\n＃文字レイヤー宣言：枠\n＃単純レイヤー宣言：板\n"
                           "＃音楽チャネル宣言：曲\n＃文字動作宣言：文字，２，２４\n０，Ａ，１\n＃人画像：fac"
                           "e\n＃曲ロード：tune.mid\n"
                           "＃枠文字：\nこんにちは\n＃タイトル：題\n＃入力待機\n")
                   .has_value());
  for (int i = 0; i < 3; ++i) rig.engine->update();
  const DecodedState decoded = decodeState(rig.engine->states().save(), *rig.program);
  ASSERT_TRUE(decoded.state.has_value());
  const GameState good = *decoded.state;
  ASSERT_EQ(good.layers[0].eyePictures.size(), 2u);
  ASSERT_EQ(good.layers[1].characters.size(), 5u);
  auto accepted = [&](const GameState& state) {
    return decodeState(encodeState(state, *rig.program), *rig.program).state.has_value();
  };
  EXPECT_TRUE(accepted(good));
  GameState cleared = good;
  cleared.layers[1].characters.clear();
  cleared.title.clear();
  cleared.layers[0].picture.clear();
  EXPECT_TRUE(accepted(cleared)) << "what a game holds before it shows anything";

  std::vector<std::pair<std::string, std::function<void(GameState&)>>> crafted = {
      {"counter before the start", [](GameState& s) { s.programCounter = -1; }},
      {"counter past the end",
       [&](GameState& s) { s.programCounter = static_cast<int>(rig.program->code.size()); }},
      {"a picture the game never loads", [](GameState& s) { s.layers[0].picture += "x"; }},
      {"one eye picture a thousand times",
       [](GameState& s) { s.layers[0].eyePictures.assign(1000, s.layers[0].eyePictures[0]); }},
      {"eye pictures out of their order",
       [](GameState& s) { std::swap(s.layers[0].eyePictures[0], s.layers[0].eyePictures[1]); }},
      {"eyes on a plain layer", [](GameState& s) { s.layers[2].eyePictures = s.layers[0].eyePictures; }},
      {"a character more than the text has",
       [](GameState& s) { s.layers[1].characters.push_back(s.layers[1].characters.back()); }},
      {"characters on a plain layer", [](GameState& s) { s.layers[2].characters = s.layers[1].characters; }},
      {"a sound the game never loads", [](GameState& s) { s.channels[0].sound += "x"; }},
      {"a title the game never sets", [](GameState& s) { s.title = "x"; }},
  };
  for (auto& [what, craft] : crafted) {
    GameState state = good;
    craft(state);
    EXPECT_FALSE(accepted(state)) << what;
  }
}

TEST(GameState, ObjectsNearTheirResetStateTakeLittleRoom) {
  // Every field of an object stored would be 130 bytes and more; a layer at rest needs well under half of
  // that.
  auto size = [](int layers) {
    test::EngineRig rig;
    std::string script;
    for (int i = 0; i < layers; ++i) script += "＃単純レイヤー宣言：l" + std::to_string(i) + "\n";
    EXPECT_FALSE(rig.compile(script + "＃入力待機\n").has_value());
    rig.engine->update();
    return static_cast<int>(rig.engine->states().save().size());
  };
  EXPECT_LT(size(13) - size(3), 10 * 60);
}

}  // namespace
}  // namespace tavrik
