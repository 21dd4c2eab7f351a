#include "app/save_store.h"
#include "base/byte_io.h"
#include "base/hash.h"

#include <gtest/gtest.h>

#include "app/settings.h"
#include "support/test_support.h"

namespace tavrik {
namespace {

namespace fs = std::filesystem;

SaveData sampleSave() {
  SaveData save;
  save.time = 1'800'000'000;
  save.title = "title";
  save.text = "\x82\xA0\nsecond line";
  save.thumbnail.assign(static_cast<std::size_t>(kThumbnailWidth) * kThumbnailHeight, 0xFF102030u);
  save.thumbnail[5] = 0xFFFFFFFFu;
  save.history = {1, 2, 3};
  save.state = {4, 5, 6, 7};
  save.rollback = {8, 9};
  return save;
}

void expectSame(const SaveData& a, const SaveData& b) {
  EXPECT_EQ(a.time, b.time);
  EXPECT_EQ(a.title, b.title);
  EXPECT_EQ(a.text, b.text);
  EXPECT_EQ(a.thumbnail, b.thumbnail);
  EXPECT_EQ(a.history, b.history);
  EXPECT_EQ(a.state, b.state);
  EXPECT_EQ(a.rollback, b.rollback);
}

TEST(SaveFile, ComesBackWholeAndRefusesEveryCutAndFlippedByte) {
  const SaveData save = sampleSave();
  const std::vector<std::uint8_t> bytes = encodeSave(save);
  SaveProblem problem = SaveProblem::Missing;
  const std::optional<SaveData> back = decodeSave(bytes, &problem);
  ASSERT_TRUE(back.has_value());
  EXPECT_EQ(problem, SaveProblem::None);
  expectSame(*back, save);

  for (std::size_t cut = 0; cut < bytes.size(); cut += 97) {
    EXPECT_FALSE(decodeSave(std::span(bytes).first(cut), &problem).has_value()) << cut;
    EXPECT_EQ(problem, SaveProblem::Damaged);
  }
  for (std::size_t at = 0; at < bytes.size(); at += 131) {
    std::vector<std::uint8_t> flipped = bytes;
    flipped[at] ^= 0x10;
    const std::optional<SaveData> damaged = decodeSave(flipped, &problem);
    EXPECT_FALSE(damaged.has_value()) << "byte " << at;
  }
  // A save of a later format is told apart from a damaged one.
  std::vector<std::uint8_t> newer = bytes;
  newer[8] = 3;
  EXPECT_FALSE(decodeSave(newer, &problem).has_value());
  EXPECT_EQ(problem, SaveProblem::NewerVersion);

  // A save of the first version (no states to step back to) still loads.
  SaveData first = save;
  first.rollback.clear();
  std::vector<std::uint8_t> older = encodeSave(first);
  older.resize(older.size() - 8 - 4);  // the check, and the empty list of states
  older[8] = 1;
  ContentHash check;
  check.add(older.data(), older.size());
  for (int i = 0; i < 8; ++i) older.push_back(static_cast<std::uint8_t>(check.value() >> (8 * i)));
  const std::optional<SaveData> firstBack = decodeSave(older, &problem);
  ASSERT_TRUE(firstBack.has_value());
  expectSame(*firstBack, first);

  // No thumbnail is a save too.
  SaveData plain = save;
  plain.thumbnail.clear();
  const std::optional<SaveData> noPicture = decodeSave(encodeSave(plain), nullptr);
  ASSERT_TRUE(noPicture.has_value());
  EXPECT_TRUE(noPicture->thumbnail.empty());
}

TEST(SaveFile, AThumbnailIsTheFrameAveragedFiveByFive) {
  std::vector<std::uint32_t> frame(800 * 600, 0xFF000000u);
  // The top left 5 x 5 block: half white, half black (13 white, 12 black).
  for (int i = 0; i < 13; ++i) frame[static_cast<std::size_t>(i / 5) * 800 + i % 5] = 0xFFFFFFFFu;
  for (int y = 595; y < 600; ++y)
    for (int x = 795; x < 800; ++x) frame[static_cast<std::size_t>(y) * 800 + x] = 0xFF0080FFu;
  const std::vector<std::uint32_t> thumbnail = makeThumbnail(frame, 800, 600);
  ASSERT_EQ(thumbnail.size(), static_cast<std::size_t>(kThumbnailWidth) * kThumbnailHeight);
  EXPECT_EQ(thumbnail[0], 0xFF858585u);  // 13 * 255 / 25, rounded
  EXPECT_EQ(thumbnail[1], 0xFF000000u);
  EXPECT_EQ(thumbnail.back(), 0xFF0080FFu);
  EXPECT_TRUE(makeThumbnail(frame, 640, 480).empty()) << "a frame of another size is no frame";
}

TEST(SaveStore, SlotsAreWrittenReadAndRemovedInTheGamesFolder) {
  test::TempDir dir;
  const SaveStore store(dir.path() / "saves" / "game");
  SaveProblem problem = SaveProblem::None;
  EXPECT_FALSE(store.read(3, &problem).has_value());
  EXPECT_EQ(problem, SaveProblem::Missing);
  ASSERT_TRUE(store.write(3, sampleSave()));
  ASSERT_TRUE(store.write(kQuickSlot, sampleSave()));
  ASSERT_TRUE(store.write(kAutoSlot, sampleSave()));
  EXPECT_EQ(store.slotFile(3).filename(), "slot03.sav");
  EXPECT_EQ(store.slotFile(10).filename(), "slot10.sav");
  EXPECT_EQ(store.slotFile(kQuickSlot).filename(), "quick.sav");
  EXPECT_EQ(store.slotFile(kAutoSlot).filename(), "auto.sav");
  const std::optional<SaveData> back = store.read(3, &problem);
  ASSERT_TRUE(back.has_value());
  expectSame(*back, sampleSave());
  store.remove(kAutoSlot);
  EXPECT_FALSE(store.exists(kAutoSlot));
  EXPECT_TRUE(store.exists(kQuickSlot));

  // A folder where the save should be cannot be written over, and says so.
  fs::create_directories(store.slotFile(4));
  EXPECT_FALSE(store.write(4, sampleSave()));
  EXPECT_FALSE(store.read(4, &problem).has_value());
  EXPECT_EQ(problem, SaveProblem::Unreadable);
}

TEST(SaveStore, AGamesFolderNameIsReadableAndUniquePerScript) {
  const std::string a = SaveStore::gameFolderName("/games/魔法の森/start.tvk");
  const std::string b = SaveStore::gameFolderName("/other/魔法の森/start.tvk");
  EXPECT_EQ(a.rfind("魔法の森-start-", 0), 0u) << a;
  EXPECT_EQ(a.size(), std::string("魔法の森-start-").size() + 8);
  EXPECT_NE(a, b) << "two copies of a game keep their own saves";
  EXPECT_EQ(a, SaveStore::gameFolderName("/games/魔法の森/./start.tvk"));
  const std::string odd = SaveStore::gameFolderName("/g/a\nb:c/x\\y.tvk");
  EXPECT_EQ(odd.find_first_of("\n:\\/"), std::string::npos) << odd;
}

TEST(SeenWaits, AreKeptByFingerprintAcrossAnEditAndADamagedRecordIsAFreshOne) {
  test::TempDir dir;
  const fs::path file = dir.path() / "saves" / "seen.dat";
  auto fingerprints = [](std::int32_t shift) {
    return [shift](std::int32_t position) { return static_cast<std::uint64_t>(position + shift) * 977; };
  };
  SeenWaits seen;
  seen.reset(42, fingerprints(0));
  seen.add(7);
  seen.add(3);
  seen.add(7);
  EXPECT_TRUE(seen.changed());
  ASSERT_TRUE(seen.save(file));
  EXPECT_FALSE(seen.changed());

  SeenWaits back;
  back.load(file, 42, fingerprints(0));
  EXPECT_EQ(back.size(), 2u);
  EXPECT_TRUE(back.contains(3) && back.contains(7));
  // An edit put a command before both waits: they stand one position later with the same fingerprints.
  back.load(file, 43, fingerprints(-1));
  EXPECT_TRUE(back.contains(4) && back.contains(8) && !back.contains(3)) << "an edit keeps the waits read";

  // A record of the first format (positions of one program) is taken for that program alone.
  ByteWriter first;
  for (char c : std::string_view("TVKSEEN1")) first.u8(static_cast<std::uint8_t>(c));
  first.u64(42);
  first.u32(1);
  first.i32(5);
  ContentHash check;
  check.add(first.out().data(), first.out().size());
  first.u64(check.value());
  dir.write("saves/old.dat", std::string(first.out().begin(), first.out().end()));
  back.load(dir.path() / "saves" / "old.dat", 42, fingerprints(0));
  EXPECT_TRUE(back.contains(5) && back.size() == 1);
  back.load(dir.path() / "saves" / "old.dat", 43, fingerprints(0));
  EXPECT_EQ(back.size(), 0u);

  std::string bytes = test::readBytes(file);
  bytes[bytes.size() / 2] ^= 1;
  dir.write("saves/seen.dat", bytes);
  back.load(file, 42, fingerprints(0));
  EXPECT_EQ(back.size(), 0u);
}

TEST(PlayerSettingsFile, ComesBackAndStrangeValuesFallBack) {
  test::TempDir dir;
  const fs::path file = dir.path() / "config" / "tavrik" / "player.ini";
  EXPECT_EQ(readPlayerSettings(file), PlayerSettings{}) << "no file: the defaults";
  PlayerSettings changed;
  changed.masterVolume = 70;
  changed.effectMuted = true;
  changed.autoPauseMs = 750;
  changed.textSpeed = 0;
  changed.clickCompletes = false;
  changed.windowScale = WindowScale::OneAndHalf;
  changed.smoothScaling = true;
  ASSERT_TRUE(writePlayerSettings(file, changed));
  EXPECT_EQ(readPlayerSettings(file), changed);

  dir.write(
      "config/tavrik/player.ini",
      "MasterVolume=250\nMusicVolume=abc\nEffectMuted=7\nAutoPauseMs=-5\nTextSpeed=5\nrubbish\n\xff\xfe=1\n"
      "WindowScale=3\nScaling=blurry\n");
  const PlayerSettings strange = readPlayerSettings(file);
  EXPECT_EQ(strange.masterVolume, 100);
  EXPECT_EQ(strange.musicVolume, 100);
  EXPECT_FALSE(strange.effectMuted);
  EXPECT_EQ(strange.autoPauseMs, 0);
  EXPECT_EQ(strange.textSpeed, 2) << "a speed not offered is the script's own";
  EXPECT_EQ(strange.windowScale, WindowScale::One) << "a size not offered is the game's own";
  EXPECT_FALSE(strange.smoothScaling);

  PlayerSettings muted;
  muted.masterVolume = 50;
  muted.musicVolume = 50;
  EXPECT_FLOAT_EQ(muted.musicGain(), 0.25f);
  EXPECT_FLOAT_EQ(muted.effectGain(), 0.5f);
  muted.masterMuted = true;
  EXPECT_EQ(muted.musicGain(), 0.0f);
  EXPECT_EQ(muted.effectGain(), 0.0f);
}

}  // namespace
}  // namespace tavrik
