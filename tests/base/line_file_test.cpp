#include "base/line_file.h"

#include <gtest/gtest.h>

#include "support/test_support.h"

namespace tavrik {
namespace {

using test::readBytes;

std::vector<std::string> linesOf(const LineFile& file) {
  std::vector<std::string> lines;
  for (std::size_t i = 0; i < file.size(); ++i) lines.emplace_back(file[i]);
  return lines;
}

TEST(LineFile, LoadSplitsLinesLikeTextMode) {
  test::TempDir dir;
  LineFile file;
  file.assign("stale");
  ASSERT_TRUE(file.load(dir.write("a.txt", "one\r\ntwo\n\nthree")));
  EXPECT_EQ(linesOf(file), (std::vector<std::string>{"one", "two", "", "three"}));

  // A break at the very end adds no empty line; a CR that is not before LF is kept.
  ASSERT_TRUE(file.load(dir.write("b.txt", "x\ry\r\n")));
  EXPECT_EQ(linesOf(file), (std::vector<std::string>{"x\ry"}));
  file.assign("\r\n\r\r\nlast\r");
  EXPECT_EQ(linesOf(file), (std::vector<std::string>{"", "\r", "last\r"}));

  ASSERT_TRUE(file.load(dir.write("empty.txt", "")));
  EXPECT_EQ(file.size(), 0u);

  EXPECT_FALSE(file.load(dir.path() / "missing.txt"));
  EXPECT_EQ(file.size(), 0u);
  EXPECT_FALSE(file.load(dir.path()));  // a directory is no file
  // A device would never end, a pipe might never answer: only plain files are read.
  EXPECT_FALSE(file.load("/dev/zero"));
  EXPECT_EQ(file.size(), 0u);
  EXPECT_FALSE(file.load(dir.write("c.txt", "12345"), 4)) << "larger than asked";
}

TEST(LineFile, AFinalCtrlZEndsTheFileBeforeIt) {
  LineFile file;
  file.assign("one\r\ntwo\r\n\x1A");
  EXPECT_EQ(linesOf(file), (std::vector<std::string>{"one", "two"}));
  file.assign("one\x1A");
  EXPECT_EQ(linesOf(file), (std::vector<std::string>{"one"}));
  file.assign("\x1A");
  EXPECT_EQ(file.size(), 0u);
  // Only the last byte: a Ctrl-Z elsewhere, or the first of two, is text.
  file.assign("a\x1A\r\nb\x1A\x1A");
  EXPECT_EQ(linesOf(file), (std::vector<std::string>{"a\x1A", "b\x1A"}));
  EXPECT_EQ(file.bytes(), "a\x1A\r\nb\x1A\x1A") << "the bytes stay as they were";
}

// A line is found in bytes without keeping them as lines, as assign would split them.
TEST(LineFile, ALineOfBytesIsTheLineAssignGives) {
  for (const std::string data : {"", "a", "a\n", "a\r\n\r\nb\rc\r", "\n\n\x1A", "x\x1A\x1A", "\r\n\r"}) {
    LineFile file;
    file.assign(data);
    for (std::size_t i = 0; i < file.size() + 2; ++i)
      EXPECT_EQ(LineFile::lineOf(data, i), i < file.size() ? file[i] : "") << i;
  }
}

TEST(LineFile, LongLinesAreKeptWholeAndDoNotEndTheFile) {
  test::TempDir dir;
  const std::string long1023(1023, 'a');
  const std::string long1024(1024, 'b');
  const std::string huge(100000, 'c');
  LineFile file;
  ASSERT_TRUE(file.load(dir.write("long.txt", long1023 + "\n" + long1024 + "\r\n" + huge + "\nlast\n")));
  ASSERT_EQ(file.size(), 4u);
  EXPECT_EQ(file[0], long1023);
  EXPECT_EQ(file[1], long1024);
  EXPECT_EQ(file[2], huge);
  EXPECT_EQ(file[3], "last");
}

TEST(LineFile, KeysAndValuesSplitAtTheFirstSeparator) {
  LineFile file;
  file.assign("Font\nFont=A=B\nFont=second\n=empty key\n" + test::sjis("ソ=値"));
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
  file.assign("\x81=key=value");
  EXPECT_EQ(file.find("\x81=key"), 0);
  EXPECT_EQ(file.valueOf(0), "value");
}

TEST(LineFile, SetReplacesTheFirstMatchOrAppends) {
  LineFile file;
  file.assign("a=1\nb=2\r\na=3\nlast\r");
  const LineFile before = file;
  file.set("a", "9");
  file.set("c", "x=y");
  EXPECT_EQ(linesOf(file), (std::vector<std::string>{"a=9", "b=2", "a=3", "last\r", "c=x=y"}));
  EXPECT_EQ(linesOf(before), (std::vector<std::string>{"a=1", "b=2", "a=3", "last\r"}))
      << "a copy keeps its lines";
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
