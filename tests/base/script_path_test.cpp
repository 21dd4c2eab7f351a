#include "base/script_path.h"

#include <gtest/gtest.h>

#include "base/sjis_text.h"
#include "support/test_support.h"

namespace tavrik {
namespace {

using test::sjis;

class ScriptPathTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // A game as it arrives from Windows, unpacked with UTF-8 names and some letters in another case.
    dir.write("Game/Scenes/Start.TVK", "x");
    dir.write("Game/ゲーム/表.tvk", "y");
    dir.write("Game/pic1.png", "");
    dir.write("Game/pic2.png", "");
    dir.write(std::string("Game/") + sjis("生.txt"), "raw");  // a name kept in Shift-JIS bytes
    root = test::scriptPath(dir.path()) + "\\";
  }
  test::TempDir dir;
  std::string root;
};

TEST_F(ScriptPathTest, ComponentsMatchAsWrittenAsUtf8OrIgnoringCase) {
  EXPECT_EQ(paths::resolve(root + "Game\\Scenes\\Start.TVK"), dir.path() / "Game/Scenes/Start.TVK");
  EXPECT_EQ(paths::resolve(root + "game\\SCENES\\start.tvk"), dir.path() / "Game/Scenes/Start.TVK");
  EXPECT_EQ(paths::resolve(root + sjis("Game\\ゲーム\\表.tvk")), dir.path() / "Game/ゲーム/表.tvk");
  EXPECT_EQ(paths::resolve(root + sjis("Game\\生.txt")),
            dir.path() / (std::string("Game/") + sjis("生.txt")));
  EXPECT_EQ(paths::resolve(root + "Game/Scenes/Start.tvk"), dir.path() / "Game/Scenes/Start.TVK");
  EXPECT_EQ(paths::resolve(root + "Game\\Scenes\\..\\pic1.png"), dir.path() / "Game/Scenes/../pic1.png");
  EXPECT_FALSE(paths::resolve(root + "Game\\Scenes\\Missing.tvk").has_value());
  EXPECT_FALSE(paths::resolve("").has_value());
  EXPECT_FALSE(paths::resolve(root + "Game").has_value()) << "a directory is not a file to open";
}

TEST_F(ScriptPathTest, ANameFoundOnlyByIgnoringCaseIsToldWithItsSpellingOnDisk) {
  EXPECT_EQ(paths::foundIgnoringCase(root + "game\\Scenes\\Start.TVK"), dir.path() / "Game/Scenes/Start.TVK");
  EXPECT_EQ(paths::foundIgnoringCase(root + "Game\\Scenes\\start.tvk"), dir.path() / "Game/Scenes/Start.TVK");
  EXPECT_FALSE(paths::foundIgnoringCase(root + "Game\\Scenes\\Start.TVK")) << "as written";
  EXPECT_FALSE(paths::foundIgnoringCase(root + sjis("Game\\ゲーム\\表.tvk"))) << "as its UTF-8 form";
  EXPECT_FALSE(paths::foundIgnoringCase(root + "Game\\Scenes\\None.tvk")) << "not there at all";
  EXPECT_FALSE(paths::foundIgnoringCase(root + "game\\PIC?.png")) << "wildcards match any case";
  // Pictures are found with a suffix and beside the executable, as the player finds them.
  EXPECT_EQ(paths::findPicture(root + "Game\\pic1", ""), root + "Game\\pic1.png");
  EXPECT_EQ(paths::findPicture("pic2", root + "Game\\"), root + "Game\\pic2.png");
  EXPECT_EQ(paths::findPicture(root + "Game\\pic3", root + "Game\\"), "");
}

TEST_F(ScriptPathTest, ExistenceIsTheWindowsSearch) {
  EXPECT_TRUE(paths::exists(root + "Game"));
  EXPECT_TRUE(paths::exists(root + "GAME\\scenes\\"));
  EXPECT_TRUE(paths::exists(root + "Game\\pic?.png"));
  EXPECT_TRUE(paths::exists(root + "Game\\*.PNG"));
  EXPECT_TRUE(paths::exists(root + "Game\\Scenes\\*.*"));
  EXPECT_TRUE(paths::exists(root + sjis("Game\\ゲーム\\*")));
  EXPECT_FALSE(paths::exists(root + "Game\\pic?.jpg"));
  EXPECT_FALSE(paths::exists(root + "Game\\p*c\\x"));
  EXPECT_FALSE(paths::exists(root + "Game\\nothing"));
  // Wildcards are not expanded when a file is opened.
  EXPECT_FALSE(paths::resolve(root + "Game\\pic?.png").has_value());
}

TEST_F(ScriptPathTest, ATrailByteOfFiveCIsNoSeparator) {
  // ソ is 0x83 0x5C: split at its second byte the walk would look for a folder named 0x83.
  dir.write("ソ/a.txt", "");
  EXPECT_TRUE(paths::exists(root + sjis("ソ\\a.txt")));
  EXPECT_TRUE(paths::exists(root + sjis("ソ")));
}

TEST(ScriptPath, ConversionsBetweenNativeAndScriptForms) {
  EXPECT_EQ(paths::fromNative("/home/user/ゲーム/表.tvk"), sjis("\\home\\user\\ゲーム\\表.tvk"));
  EXPECT_EQ(paths::toDisplay(sjis("\\home\\ゲーム\\表.tvk")), "/home/ゲーム/表.tvk");
  EXPECT_EQ(paths::fromNative("/tmp/\xF0\x9F\x98\x80.tvk"), sjis("\\tmp\\〓{1F600}.tvk"))
      << "an emoji has no Shift-JIS form and is escaped";
  const std::string module = paths::moduleDirectory();
  ASSERT_FALSE(module.empty());
  EXPECT_EQ(module.back(), '\\');
  EXPECT_TRUE(paths::exists(module));
  EXPECT_TRUE(std::filesystem::is_directory(paths::moduleDirectoryNative()));
}

TEST(ScriptPath, ANativePathOutsideTheCodePageKeepsItsFoldersAndShowsAsItIs) {
  for (const std::string native :
       {"/tmp/josé/main.tvk", "/tmp/a\u00A5b/main.tvk", "/tmp/a〜b/main.tvk", "/tmp/\U0001F600表/main.tvk"}) {
    const std::optional<std::string> script = paths::fromNative(native);
    ASSERT_TRUE(script.has_value()) << native;
    // The root, two folders and the file: no character became a separator or swallowed one.
    EXPECT_EQ(tavrik::sjis::fields(*script, "\\").size(), 4u) << native;
    EXPECT_EQ(paths::toDisplay(*script), native);
    EXPECT_EQ(paths::toDisplay(tavrik::sjis::directoryOf(*script)), native.substr(0, native.rfind('/') + 1));
  }
  EXPECT_EQ(paths::fromNative("/tmp/josé"), sjis("\\tmp\\jos〓{E9}"));
  // A path that is not UTF-8 (a name kept in another encoding) has no script form.
  EXPECT_FALSE(paths::fromNative("/tmp/\xFF\xFE/main.tvk").has_value());
  EXPECT_FALSE(paths::fromNative("/tmp/\xC3").has_value());
}

TEST_F(ScriptPathTest, EscapedComponentsNameTheirCharactersOnDisk) {
  dir.write("josé/Sub/part.tvk", "");
  dir.write("\U0001F600/x.png", "");
  const std::filesystem::path part = dir.path() / "josé/Sub/part.tvk";
  EXPECT_EQ(paths::resolve(*paths::fromNative(part.string())), part);
  // As a script writes it: another letter case, and the wildcard search.
  EXPECT_EQ(paths::resolve(root + sjis("JOS〓{E9}\\sub\\PART.tvk")), part);
  EXPECT_TRUE(paths::exists(root + sjis("jos〓{E9}\\sub\\*.tvk")));
  EXPECT_TRUE(paths::exists(root + sjis("〓{1F600}\\x.png")));
  EXPECT_FALSE(paths::exists(root + sjis("jos〓{E8}\\sub")));
  EXPECT_FALSE(paths::exists(root + sjis("jos〓{e9}\\sub"))) << "not the escape's form: text";
}

TEST_F(ScriptPathTest, AFolderNamedWithALiteralEscapeIsFoundUnlessItsCharacterIsThere) {
  dir.write("〓{E9}/a.txt", "");
  EXPECT_EQ(paths::resolve(root + sjis("〓{E9}\\a.txt")), dir.path() / "〓{E9}/a.txt");
  dir.write("é/a.txt", "");
  EXPECT_EQ(paths::resolve(root + sjis("〓{E9}\\a.txt")), dir.path() / "é/a.txt") << "the escape comes first";
}

// Code page 932 reads 0x81 0x60 as U+FF5E, while a tool that unpacked the game may have named the folder
// with U+301C, the character the same Shift-JIS code means in JIS. Every pair is found in both forms,
// from the Shift-JIS a script holds and from the escape a command line gives.
TEST(ScriptPath, OneWayPairsOfTheCodePageMatchEitherFormOnDisk) {
  struct Pair {
    const char* first;
    const char* second;
  };
  for (const Pair& pair : {Pair{"\u301C", "\uFF5E"}, Pair{"\u2212", "\uFF0D"}, Pair{"\u2016", "\u2225"},
                           Pair{"\u00A2", "\uFFE0"}, Pair{"\u00A3", "\uFFE1"}, Pair{"\u00AC", "\uFFE2"},
                           Pair{"\u2014", "\u2015"}}) {
    for (const char* onDisk : {pair.first, pair.second}) {
      test::TempDir dir;
      const std::string folder = std::string("Dir") + onDisk + "x";
      const std::filesystem::path file = dir.write(folder + "/a.txt", "");
      const std::string root = test::scriptPath(dir.path()) + "\\";
      for (const char* written : {pair.first, pair.second}) {
        const std::string asWritten = *paths::fromNative(std::string("Dir") + written + "x\\a.txt");
        const std::string shiftJis = sjis(std::string("Dir") + written + "x\\a.txt");
        SCOPED_TRACE(std::string(onDisk) + " on disk, " + written + " written");
        EXPECT_EQ(paths::resolve(root + asWritten), file);
        EXPECT_EQ(paths::resolve(root + shiftJis), file);
        EXPECT_EQ(paths::resolve(root + "dIR" + asWritten.substr(3)), file) << "in another letter case";
        EXPECT_TRUE(paths::exists(root + sjis(std::string("Dir") + written + "*")));
        EXPECT_TRUE(paths::exists(root + *paths::fromNative(std::string("dir") + written + "?")));
      }
    }
  }
}

TEST_F(ScriptPathTest, TheNameAsWrittenComesBeforeItsPartner) {
  dir.write("a\uFF5Eb/which.txt", "converted");
  dir.write("a\u301Cb/which.txt", "partner");
  EXPECT_EQ(paths::resolve(root + sjis("a～b\\which.txt")), dir.path() / "a\uFF5Eb/which.txt");
  EXPECT_EQ(paths::resolve(root + *paths::fromNative("a\u301Cb/which.txt")),
            dir.path() / "a\u301Cb/which.txt");
}

TEST(ScriptPath, WildcardMatching) {
  EXPECT_TRUE(paths::wildcardMatch("*", ""));
  EXPECT_TRUE(paths::wildcardMatch("a*b*c", "aXXbYYc"));
  EXPECT_TRUE(paths::wildcardMatch("A?C", "abc"));
  EXPECT_FALSE(paths::wildcardMatch("a?c", "ac"));
  EXPECT_FALSE(paths::wildcardMatch("*.png", "a.png.bak"));
  EXPECT_TRUE(paths::wildcardMatch("*a*a*a*", "banana a"));
}

}  // namespace
}  // namespace tavrik
