#include "base/line_file.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "support/test_support.h"

namespace tavrik {
namespace {

std::string readBytes(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

TEST(LineFile, LoadSplitsLinesLikeTextMode) {
  test::TempDir dir;
  LineFile file;
  file.lines().push_back("stale");
  ASSERT_TRUE(file.load(dir.write("a.txt", "one\r\ntwo\n\nthree")));
  EXPECT_EQ(file.lines(), (std::vector<std::string>{"one", "two", "", "three"}));

  // A break at the very end adds no empty line; a CR that is not before LF is kept.
  ASSERT_TRUE(file.load(dir.write("b.txt", "x\ry\r\n")));
  EXPECT_EQ(file.lines(), (std::vector<std::string>{"x\ry"}));

  ASSERT_TRUE(file.load(dir.write("empty.txt", "")));
  EXPECT_EQ(file.size(), 0);

  EXPECT_FALSE(file.load(dir.path() / "missing.txt"));
  EXPECT_EQ(file.size(), 0);
  EXPECT_FALSE(file.load(dir.path()));  // a directory is no file
  // A device would never end, a pipe might never answer: only plain files are read.
  EXPECT_FALSE(file.load("/dev/zero"));
  EXPECT_EQ(file.size(), 0);
}

TEST(LineFile, AFinalCtrlZEndsTheFileBeforeIt) {
  LineFile file;
  file.assign("one\r\ntwo\r\n\x1A");
  EXPECT_EQ(file.lines(), (std::vector<std::string>{"one", "two"}));
  file.assign("one\x1A");
  EXPECT_EQ(file.lines(), (std::vector<std::string>{"one"}));
  file.assign("\x1A");
  EXPECT_EQ(file.size(), 0);
  // Only the last byte: a Ctrl-Z elsewhere, or the first of two, is text.
  file.assign("a\x1A\r\nb\x1A\x1A");
  EXPECT_EQ(file.lines(), (std::vector<std::string>{"a\x1A", "b\x1A"}));
}

TEST(LineFile, LongLinesAreKeptWholeAndDoNotEndTheFile) {
  test::TempDir dir;
  const std::string long1023(1023, 'a');
  const std::string long1024(1024, 'b');
  const std::string huge(100000, 'c');
  LineFile file;
  ASSERT_TRUE(file.load(dir.write("long.txt", long1023 + "\n" + long1024 + "\r\n" + huge + "\nlast\n")));
  ASSERT_EQ(file.size(), 4);
  EXPECT_EQ(file[0], long1023);
  EXPECT_EQ(file[1], long1024);
  EXPECT_EQ(file[2], huge);
  EXPECT_EQ(file[3], "last");
}

TEST(LineFile, KeysAndValuesSplitAtTheFirstSeparator) {
  LineFile file;
  file.lines() = {"Font", "Font=A=B", "Font=second", "=empty key", test::sjis("ソ=値")};
  EXPECT_EQ(file.valueOf(0), "");  // no "=": the line has no key and never matches
  EXPECT_EQ(file.find("Font"), 1);
  EXPECT_EQ(file.get("Font"), "A=B");
  EXPECT_EQ(file.find(""), 3) << "a line may have an empty key";
  EXPECT_EQ(file.get(test::sjis("ソ")), test::sjis("値"));
  EXPECT_EQ(file.valueOf(99), "");
  EXPECT_EQ(file.valueOf(-1), "");
  EXPECT_EQ(file.find("missing"), -1);
  EXPECT_EQ(file.get("missing"), "");

  // A lead byte swallows the byte after it, so an "=" right after one is not the separator.
  file.lines() = {"\x81=key=value"};
  EXPECT_EQ(file.find("\x81=key"), 0);
  EXPECT_EQ(file.valueOf(0), "value");
}

TEST(LineFile, SetReplacesTheFirstMatchOrAppends) {
  LineFile file;
  file.lines() = {"a=1", "b=2", "a=3"};
  file.set("a", "9");
  file.set("c", "x=y");
  EXPECT_EQ(file.lines(), (std::vector<std::string>{"a=9", "b=2", "a=3", "c=x=y"}));
}

TEST(LineFile, SaveWritesCrLfAndRoundTrips) {
  test::TempDir dir;
  LineFile file;
  const std::string face = test::sjis("ＭＳ ゴシック=改");
  file.set("Font", face);
  const auto path = dir.path() / "tavrik.ini";
  ASSERT_TRUE(file.saveAtomically(path));
  EXPECT_EQ(readBytes(path), "Font=" + face + "\r\n");

  LineFile back;
  ASSERT_TRUE(back.load(path));
  EXPECT_EQ(back.get("Font"), face);

  EXPECT_FALSE(file.saveAtomically(dir.path() / "no" / "such" / "dir.ini"));
}

}  // namespace
}  // namespace tavrik
