#include "script/runtime/history.h"

#include <gtest/gtest.h>

#include "base/action.h"
#include "scene/text_layer.h"
#include "script/runtime/script_engine.h"
#include "support/runtime_support.h"

namespace tavrik {
namespace {

HistoryEntry entryOf(std::string_view ascii, std::uint32_t rgb = 0xFFFFFF) {
  HistoryEntry entry;
  for (char c : ascii) entry.characters.push_back({static_cast<std::uint16_t>(c), rgb});
  return entry;
}

TEST(History, KeepsTheLastTwoHundredEntriesInOrder) {
  History history;
  for (int i = 0; i < 205; ++i) history.add(entryOf(std::to_string(i)));
  ASSERT_EQ(history.entries().size(), History::kMaxEntries);
  EXPECT_EQ(history.entries().front().text(), "5");
  EXPECT_EQ(history.entries().back().text(), "204");
}

TEST(History, BytesComeBackAndDamageIsRefused) {
  History history;
  HistoryEntry mixed = entryOf("ab\n", 0xFF0000);
  mixed.characters.push_back({0x82A0, 0x00FF00});  // a two-byte character keeps both bytes
  history.add(mixed);
  history.add(entryOf(""));
  const std::vector<std::uint8_t> bytes = history.encode();
  const std::optional<History> back = History::decode(bytes);
  ASSERT_TRUE(back.has_value());
  EXPECT_EQ(*back, history);
  EXPECT_EQ(back->entries().front().text(), "ab\n\x82\xA0");

  for (std::size_t cut = 0; cut < bytes.size(); ++cut)
    EXPECT_FALSE(History::decode(std::span(bytes).first(cut)).has_value()) << "cut at " << cut;
  std::vector<std::uint8_t> longer = bytes;
  longer.push_back(0);
  EXPECT_FALSE(History::decode(longer).has_value());
  // A count no file could hold is refused before anything is made of it.
  std::vector<std::uint8_t> huge = bytes;
  huge[13] = huge[14] = huge[15] = huge[16] = 0xFF;
  EXPECT_FALSE(History::decode(huge).has_value());
}

TEST(History, AnEntryKeepsWhatCanBeReadBackAndALongerOneIsCut) {
  // A text of millions of characters would make the history screen stand still for seconds.
  History history;
  history.add(entryOf(std::string(History::kMaxCharacters + 10, 'a')));
  EXPECT_EQ(history.entries().back().characters.size(), History::kMaxCharacters);
  std::vector<std::uint8_t> bytes = history.encode();
  ASSERT_TRUE(History::decode(bytes).has_value());
  // The entry's count, one more than is kept, and one more character.
  bytes[13] = static_cast<std::uint8_t>((History::kMaxCharacters + 1) & 0xFF);
  bytes[14] = static_cast<std::uint8_t>((History::kMaxCharacters + 1) >> 8);
  bytes.insert(bytes.end(), {0x62, 0, 0xFF, 0xFF, 0xFF, 0});
  const std::optional<History> read = History::decode(bytes);
  ASSERT_TRUE(read.has_value()) << "an earlier player's long entry is read, cut";
  EXPECT_EQ(read->entries().back().characters.size(), History::kMaxCharacters);
  EXPECT_EQ(read->entries().back().characters.back().code, 0x61);
}

TEST(History, WhatWasSaidIsTheTextFramesLatestNotANamePlateACaptionOrAnEmptiedFrame) {
  auto on = [](std::string_view text, std::int32_t layer, bool button = false) {
    HistoryEntry entry = entryOf(text);
    entry.layer = layer;
    entry.button = button;
    return entry;
  };
  History history;
  EXPECT_EQ(history.lastSaid(), nullptr);
  history.add(on("Mio", 0));
  history.add(on("hello", 1));
  // Before any wait: the latest that is not a button's.
  history.add(on("yes", 2, true));
  EXPECT_EQ(history.lastSaid()->text(), "hello");
  // After one, the latest of the frame read there.
  history.markRead();
  history.add(on("Mio", 0));
  history.add(on("where to?", 1));
  history.add(on("the hill", 3));
  history.add(on("", 1));
  EXPECT_EQ(history.lastSaid()->text(), "where to?");
}

TEST(History, AColourIsWhereTheActionLeavesRedGreenAndBlue) {
  EXPECT_EQ(settledColour(nullptr), 0xFFFFFFu);
  Action action;
  const auto r = static_cast<std::int32_t>(ActionAttribute::R);
  const auto g = static_cast<std::int32_t>(ActionAttribute::G);
  const auto b = static_cast<std::int32_t>(ActionAttribute::B);
  action.entries = {{0, r, 0.0f}, {0, g, 0.5f}, {5, r, 2.0f}, {0, b, -1.0f}};
  EXPECT_EQ(settledColour(&action), 0xFF8000u) << "the last value of each, within 0 to 1";
}

TEST(History, TheEngineRecordsEachTextAsShownWithItsTagsColours) {
  test::EngineRig rig;
  ASSERT_FALSE(rig.compile("＃文字レイヤー宣言：枠\n"
                           "＃文字動作宣言：白\n０，Ａ，１\n０，END，０\n"
                           "＃文字動作宣言：赤\n０，Ｒ，１\n０，Ｇ，０\n０，Ｂ，０\n０，END，０\n"
                           "＃枠白：\nab$赤$c\nd\n＃入力待機\n＃枠白：\nnext\n")
                   .has_value());
  rig.engine->update();
  ASSERT_EQ(rig.engine->history().entries().size(), 1u);
  const HistoryEntry& first = rig.engine->history().entries().front();
  EXPECT_EQ(first.text(), "abc\nd");
  ASSERT_EQ(first.characters.size(), 5u);
  EXPECT_EQ(first.characters[1].rgb, 0xFFFFFFu);
  EXPECT_EQ(first.characters[2].rgb, 0xFF0000u) << "the tag's action colours what follows it";
  rig.engine->setInputWaitAnswer([](std::int32_t) { return true; });
  rig.engine->update();
  ASSERT_EQ(rig.engine->history().entries().size(), 2u);
  EXPECT_EQ(rig.engine->history().entries().back().text(), "next");
}

TEST(ScriptEngineWaits, TellsWhatItWaitsForAndWhichInputWaitsWerePassed) {
  test::EngineRig rig;
  ASSERT_FALSE(rig.compile("＃文字レイヤー宣言：枠\n＃文字動作宣言：遅い，５，２４\n０，Ａ，１\n０，END，０\n"
                           "＃枠遅い：\nabc\n＃入力待機\n＃時間待機：３\n＃入力待機\n")
                   .has_value());
  using W = ScriptEngine::Waiting;
  rig.engine->update();
  EXPECT_EQ(rig.engine->waiting(), W::Input);
  EXPECT_FALSE(rig.engine->text().typed()) << "the third character starts ten frames later";
  EXPECT_EQ(rig.engine->text().shownCharacters(), 3u);
  for (int i = 0; i < 10; ++i) rig.engine->update();
  EXPECT_TRUE(rig.engine->text().typed());
  EXPECT_TRUE(rig.engine->takePassedInputWaits().empty());

  // Asked with the wait's position at every frame; answering passes it as a click would.
  std::vector<std::int32_t> asked;
  bool answer = false;
  rig.engine->setInputWaitAnswer([&](std::int32_t position) {
    asked.push_back(position);
    return answer;
  });
  const std::int32_t first = rig.engine->programCounter();
  rig.engine->update();
  EXPECT_EQ(asked, std::vector<std::int32_t>{first});
  answer = true;
  rig.engine->update();
  EXPECT_EQ(rig.engine->waiting(), W::Time);
  EXPECT_EQ(rig.engine->takePassedInputWaits(), std::vector<std::int32_t>{first});
  EXPECT_TRUE(rig.engine->takePassedInputWaits().empty()) << "taken once";
  for (int i = 0; i < 4; ++i) rig.engine->update();
  EXPECT_TRUE(rig.engine->isFinished());
  EXPECT_EQ(rig.engine->waiting(), W::None);
  EXPECT_EQ(rig.engine->takePassedInputWaits(), std::vector<std::int32_t>{first + 2});
}

}  // namespace
}  // namespace tavrik
