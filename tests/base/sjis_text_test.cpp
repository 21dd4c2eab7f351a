#include "base/sjis_text.h"

#include <gtest/gtest.h>

#include "support/test_support.h"

namespace tavrik::sjis {
namespace {

using test::sjis;

TEST(SjisText, SearchesNeverStartOnATrailByte) {
  // 表 is 0x95 0x5C: its trail byte is the same byte as a backslash.
  const std::string hyou = sjis("表");
  ASSERT_EQ(hyou, "\x95\x5C");
  EXPECT_EQ(findText(hyou, "\\"), -1);
  EXPECT_EQ(findLastText(hyou + "\\x", "\\"), 2);
  EXPECT_EQ(directoryOf(sjis("ゲーム\\表")), sjis("ゲーム\\"));
  EXPECT_EQ(directoryOf(sjis("表")), "");
  // A lead byte takes the next byte with it, even an "=".
  EXPECT_EQ(findText("\x81=a=", "="), 3);
  // "ソ" (0x83 0x5C) followed by a real backslash: only the real one counts.
  EXPECT_EQ(findText(sjis("ソ\\"), "\\"), 2);
  EXPECT_EQ(field(sjis("表\\x"), "\\", 1), "x");
  EXPECT_EQ(fields(sjis("表表"), "\\").size(), 1u);
}

TEST(SjisText, LoneLeadByteAtTheEndIsOneCharacter) {
  const std::string s = "ab\x82";
  EXPECT_EQ(findText(s, "\x82"), 2);
  EXPECT_TRUE(endsWith(s, "\x82"));
  EXPECT_EQ(replaceAll(s, "\x82", "X"), "abX");
  EXPECT_EQ(fields("a,\x82", ",").size(), 2u);
}

TEST(SjisText, EndsWithNeedsACharacterBoundary) {
  // The last byte of ア (0x83 0x41) is "A", but the text does not end with the character "A".
  EXPECT_FALSE(endsWith(sjis("ア"), "A"));
  EXPECT_TRUE(endsWith(sjis("アA"), "A"));
  EXPECT_TRUE(endsWith(sjis("枠標準：").substr(0, 6) + ":", ":"));
  EXPECT_FALSE(endsWith("a", "ab"));
  EXPECT_TRUE(startsWith("abc", "ab"));
  EXPECT_FALSE(startsWith("a", "ab"));
}

TEST(SjisText, ReplacePairsTriesPairsInOrderAtEachCharacter) {
  const ReplacePair table[] = {{"ab", "1"}, {"a", "2"}, {"b", "3"}};
  EXPECT_EQ(replacePairs("aab b", table), "21 3");
  EXPECT_EQ(replaceAll("#a#b#", "#", ""), "ab");
  // A pair that would match across a character boundary is not taken: 0x83 0x5C then "x".
  EXPECT_EQ(replaceAll(sjis("ソx"), "\\x", "!"), sjis("ソx"));
}

TEST(SjisText, FieldsSplitLikeTheDirectiveSyntax) {
  EXPECT_EQ(field("a,,b", ",", 0), "a");
  EXPECT_EQ(field("a,,b", ",", 1), "");
  EXPECT_EQ(field("a,,b", ",", 2), "b");
  EXPECT_EQ(field("a,,b", ",", 3), "");
  EXPECT_EQ(fields("a,,b", ",").size(), 3u);
  EXPECT_EQ(fields("", ",").size(), 1u);
  EXPECT_EQ(field("head:one:two:three", ":", 2), "two");
  EXPECT_EQ(field("x::y", "::", 1), "y");
}

TEST(SjisText, NumbersReadLikeClassicStreamExtraction) {
  EXPECT_EQ(parseInt("12abc"), 12);
  EXPECT_EQ(parseInt("x"), 0);
  EXPECT_EQ(parseInt(""), 0);
  EXPECT_EQ(parseInt("-7"), -7);
  EXPECT_EQ(parseInt("+7"), 7);
  EXPECT_EQ(parseInt("  42"), 42);
  EXPECT_EQ(parseInt("+-1"), 0);
  EXPECT_EQ(parseInt("99999999999"), 2147483647);
  EXPECT_EQ(parseInt("-99999999999"), -2147483647 - 1);
  EXPECT_EQ(parseInt("1.9"), 1);

  EXPECT_FLOAT_EQ(parseFloat("-1.5"), -1.5f);
  EXPECT_FLOAT_EQ(parseFloat(".5x"), 0.5f);
  EXPECT_FLOAT_EQ(parseFloat("5."), 5.0f);
  EXPECT_FLOAT_EQ(parseFloat("1e2"), 100.0f);
  EXPECT_FLOAT_EQ(parseFloat("+2"), 2.0f);
  EXPECT_EQ(parseFloat("inf"), 0.0f);
  EXPECT_EQ(parseFloat("nan"), 0.0f);
  EXPECT_EQ(parseFloat("0x10"), 0.0f);
  EXPECT_EQ(parseFloat("abc"), 0.0f);
  EXPECT_EQ(parseFloat("1e99"), std::numeric_limits<float>::max());
}

}  // namespace
}  // namespace tavrik::sjis
