#include "script/compiler/lexer.h"

#include <gtest/gtest.h>

#include <random>

#include "base/sjis_text.h"
#include "support/test_support.h"

namespace tavrik {
namespace {

using test::sjis;

// Every two-byte character whose code (lead * 256 + trail) is in lo..hi becomes base + (code - lo).
std::string narrowRange(std::string_view s, std::uint16_t lo, std::uint16_t hi, char base) {
  std::string out;
  for (std::size_t i = 0; i < s.size();) {
    const std::size_t n = sjis::charLength(s, i);
    const unsigned code =
        n == 2 ? static_cast<unsigned char>(s[i]) * 256u + static_cast<unsigned char>(s[i + 1]) : 0;
    if (n == 2 && code >= lo && code <= hi)
      out += static_cast<char>(base + static_cast<int>(code - lo));
    else
      out.append(s.substr(i, n));
    i += n;
  }
  return out;
}

// The normaliser as the language defines it: fifteen replacement pairs, then three narrowed ranges.
std::string referenceNormalize(std::string_view line) {
  static const std::string fw[] = {sjis("　"), sjis("＃"), sjis("："), sjis("，"), sjis("＝"),
                                   sjis("＋"), sjis("－"), sjis("＊"), sjis("／"), sjis("％"),
                                   sjis("＞"), sjis("＜"), sjis("！")};
  const sjis::ReplacePair table[] = {
      {"\t", ""},   {" ", ""},    {fw[0], ""},   {fw[1], "#"},  {fw[2], ":"},
      {fw[3], ","}, {fw[4], "="}, {fw[5], "+"},  {fw[6], "-"},  {fw[7], "*"},
      {fw[8], "/"}, {fw[9], "%"}, {fw[10], ">"}, {fw[11], "<"}, {fw[12], "!"},
  };
  std::string s = sjis::replacePairs(line, table);
  s = narrowRange(s, 0x824F, 0x8258, '0');
  s = narrowRange(s, 0x8281, 0x829A, 'a');
  return narrowRange(s, 0x8260, 0x8279, 'A');
}

TEST(Lexer, NormalizeNarrowsFullWidthFormsAndRemovesBlanks) {
  EXPECT_EQ(normalizeLine(sjis("＃タイトル：Ａｂｃ　１２")), "#" + sjis("タイトル") + ":Abc12");
  EXPECT_EQ(normalizeLine(sjis("  \t＃ 式 ： a ＋＝ １")), "#" + sjis("式") + ":a+=1");
  EXPECT_EQ(normalizeLine(sjis("＃a＊b／c％d＞e＜f！g－h，i")), "#a*b/c%d>e<f!g-h,i");
  // The full-width full stop, the dollar sign, kana and kanji stay as they are.
  EXPECT_EQ(normalizeLine(sjis("．＄あ漢")), sjis("．＄あ漢"));
  // A lead byte followed by a blank is one character, not a blank.
  EXPECT_EQ(normalizeLine("\x82 x"), "\x82 x");
}

TEST(Lexer, NormalizeAgreesWithTheDefinitionOnRandomLines) {
  // Random lines built from the characters that matter: blanks, ASCII, every full-width form the
  // normaliser knows, their neighbours, and stray lead bytes.
  const std::vector<std::string> pieces = {" ",
                                           "\t",
                                           "#",
                                           ":",
                                           "a",
                                           "Z",
                                           "0",
                                           "\x81",
                                           "\x82",
                                           "\x81@",
                                           "\x81\x94",
                                           "\x81"
                                           "F",
                                           "\x81\x81",
                                           "\x82O",
                                           "\x82X",
                                           "\x82Y",
                                           "\x82\x81",
                                           "\x82\x9A",
                                           "\x82\x9B",
                                           "\x82`",
                                           "\x82y",
                                           "\x82z",
                                           "\x95\\",
                                           "\x81\x7F",
                                           "\x82N",
                                           "\xE0\x40",
                                           "\xFC"};
  std::mt19937 rng(12345);
  for (int round = 0; round < 20000; ++round) {
    std::string line;
    const int n = static_cast<int>(rng() % 12);
    for (int i = 0; i < n; ++i) line += pieces[rng() % pieces.size()];
    ASSERT_EQ(normalizeLine(line), referenceNormalize(line))
        << "line bytes: " << ::testing::PrintToString(line);
    // The shortcuts that spare long files the normalising: comments found on the line as written, and
    // the columns of many offsets into one line found in one walk, asked in any order.
    ASSERT_EQ(isBlankOrComment(line), isCommentLine(normalizeLine(line))) << ::testing::PrintToString(line);
    NormalizedColumns columns(line, round % 2 == 0);
    for (int k = 0; k < 4; ++k) {
      const std::size_t offset = rng() % (line.size() + 2);
      ASSERT_EQ(columns.columnAt(offset), normalizedColumn(line, offset, round % 2 == 0))
          << ::testing::PrintToString(line) << " " << offset;
    }
  }
}

TEST(Lexer, ColumnsCountCharactersOfTheLineAsWritten) {
  // "  ＃背景：ｓｋｙ．ｐｎｇ" normalises to "#背景:sky．png" (every "#" removed: "背景:sky．png").
  const std::string line = sjis("  ＃背景：ｓｋｙ．ｐｎｇ");
  const std::string normalized = normalizeLine(line);
  EXPECT_EQ(normalized, sjis("#背景:sky．png"));
  EXPECT_EQ(normalizedColumn(line, 0, true), 4) << "背";
  EXPECT_EQ(normalizedColumn(line, 0, false), 3) << "＃";
  EXPECT_EQ(normalizedColumn(line, 5, true), 7) << "s, after 背景 (two bytes each) and the colon";
  EXPECT_EQ(normalizedColumn(line, 8, true), 10) << "．";
  EXPECT_EQ(normalizedColumn(line, 9, true), 10) << "the second byte of ．is still its column";
  EXPECT_EQ(normalizedColumn(line, 10, true), 11) << "p";
  EXPECT_EQ(normalizedColumn(line, 13, true), 14) << "past the end: after the last character";
  EXPECT_EQ(normalizedColumn(sjis("＃枠標準　\t"), 6, true), 5) << "trailing blanks give nothing";
  EXPECT_EQ(normalizedColumn("", 0, true), 1);
  EXPECT_EQ(firstColumn(sjis("\t　 ＃タイトル")), 4);
  EXPECT_EQ(firstColumn("abc"), 1);
  EXPECT_EQ(firstColumn(sjis(" 　\t")), 1);
}

TEST(Lexer, NumbersReadWholeOnlyAsWritten) {
  for (const char* text : {"0", "-12", "+3", "007"}) EXPECT_TRUE(readsAsNumber(text, true)) << text;
  for (const char* text : {"0.5", ".5", "5.", "-1.5e3", "2E-2"})
    EXPECT_TRUE(readsAsNumber(text, false)) << text;
  for (const char* text : {"", "-", "1.5", "1e3", "12abc", " 1", "0x10"})
    EXPECT_FALSE(readsAsNumber(text, true)) << text;
  for (const char* text : {"", ".", "-.", "1e", "1e+", "1,5", "1.5.2"})
    EXPECT_FALSE(readsAsNumber(text, false)) << text;
  EXPECT_FALSE(readsAsNumber(sjis("0．05"), false));
  EXPECT_FALSE(readsAsNumber(sjis("二百"), false));
}

TEST(Lexer, CommentsAndFields) {
  EXPECT_TRUE(isCommentLine(normalizeLine(sjis("　　\t "))));
  EXPECT_TRUE(isCommentLine(normalizeLine(sjis("＃＃ 最初の場面"))));
  EXPECT_TRUE(isCommentLine(normalizeLine(sjis("#＃ mixed"))));
  EXPECT_TRUE(isCommentLine(normalizeLine(sjis(" # #spaced"))));
  EXPECT_FALSE(isCommentLine(normalizeLine(sjis("＃タイトル"))));

  const DirectiveFields f = splitDirective("head:a,b:second:lost");
  EXPECT_EQ(f.head, "head");
  EXPECT_EQ(f.firstArg, "a,b");
  EXPECT_EQ(f.secondArg, "second");
  const DirectiveFields bare = splitDirective("head");
  EXPECT_EQ(bare.firstArg, "");
  EXPECT_EQ(bare.secondArg, "");
}

}  // namespace
}  // namespace tavrik
