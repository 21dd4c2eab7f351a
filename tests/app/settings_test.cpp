#include "app/settings.h"

#include <gtest/gtest.h>

#include "support/test_support.h"

namespace tavrik {
namespace {

using test::readBytes;
using test::sjis;

TEST(Settings, TheFirstFontLineCountsAndAnUnknownFaceSelectsTheFirst) {
  test::TempDir dir;
  const std::vector<std::string> faces = {sjis("IPA Pゴシック"), sjis("IPAゴシック"), "Face=With=Equals"};
  const auto file =
      dir.write("tavrik.ini", "Other=1\r\nFont\r\nFont=" + sjis("IPAゴシック") + "\r\nFont=first?\r\n");
  EXPECT_EQ(readFontSetting(file), sjis("IPAゴシック"));
  EXPECT_EQ(selectedFontIndex(faces, readFontSetting(file)), 1);
  EXPECT_EQ(selectedFontIndex(faces, "Removed Face"), 0);
  EXPECT_EQ(selectedFontIndex({}, ""), 0);
  EXPECT_EQ(readFontSetting(dir.path() / "missing.ini"), "");

  ASSERT_TRUE(writeFontSetting(file, "Face=With=Equals"));
  EXPECT_EQ(readBytes(file), "Font=Face=With=Equals\r\n") << "one line; the other lines are gone";
  EXPECT_EQ(selectedFontIndex(faces, readFontSetting(file)), 2);
}

TEST(Settings, TheWriteIsAtomic) {
  test::TempDir dir;
  const auto file = dir.write("tavrik.ini", "Font=old\r\n");
  ASSERT_TRUE(writeFontSetting(file, "new"));
  EXPECT_EQ(readBytes(file), "Font=new\r\n");
  std::size_t entries = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.path())) ++entries;
  EXPECT_EQ(entries, 1u) << "no temporary file is left behind";
  // Where nothing can be written, the old file stays as it was.
  std::filesystem::create_directory(dir.path() / "blocked");
  const auto blocked = dir.path() / "blocked" / "tavrik.ini";
  std::filesystem::create_directory(blocked);  // a directory in the way of the rename
  EXPECT_FALSE(writeFontSetting(blocked, "x"));
  EXPECT_TRUE(std::filesystem::is_directory(blocked));
}

TEST(Settings, AnInstalledCopyKeepsItsSettingsUnderXdgConfigHome) {
  test::TempDir dir;
  EXPECT_EQ(settingsFile(dir.path()), dir.path() / "tavrik.ini");
  const char* config = std::getenv("XDG_CONFIG_HOME");
  ASSERT_NE(config, nullptr);
  EXPECT_EQ(settingsFile(dir.path() / "not" / "there"),
            std::filesystem::path(config) / "tavrik" / "tavrik.ini");
  ASSERT_TRUE(writeFontSetting(settingsFile(dir.path() / "not" / "there"), "f"));
  EXPECT_EQ(readFontSetting(std::filesystem::path(config) / "tavrik" / "tavrik.ini"), "f");
}

// A settings file holds a few short lines: of a huge one only the first 64 KB are read, and of them the
// lines that end there, so that a value cut short ("5" of "55") is not taken.
TEST(Settings, OfAHugeFileOnlyTheWholeLinesOfItsFirst64KbAreRead) {
  test::TempDir dir;
  std::string text = "MasterVolume=37\r\nFont=" + sjis("ゴシック") + "\r\n";
  text.resize(64 * 1024 - 14, '\n');
  text += "EffectVolume=55\nMusicVolume=20\n";
  text.resize(text.size() + 1'000'000, '\n');
  const auto file = dir.write("player.ini", text);
  const PlayerSettings settings = readPlayerSettings(file);
  EXPECT_EQ(settings.masterVolume, 37);
  EXPECT_EQ(settings.effectVolume, PlayerSettings{}.effectVolume);
  EXPECT_EQ(settings.musicVolume, PlayerSettings{}.musicVolume);
  EXPECT_EQ(readFontSetting(file), sjis("ゴシック"));
}

}  // namespace
}  // namespace tavrik
