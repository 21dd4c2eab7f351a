#include "base/text_encoding.h"

#include <gtest/gtest.h>

namespace tavrik {
namespace {

TEST(TextEncoding, CodePage932KeepsBackslashAndTheWindowsExtensions) {
  EXPECT_EQ(utf8ToSjisStrict("\\"), "\\");
  EXPECT_EQ(sjisToUtf8Strict("\\"), "\\");
  EXPECT_EQ(utf8ToSjisStrict("表"), "\x95\x5C");
  // Rows the plain Shift-JIS table lacks: circled digits (NEC) and a kanji of the IBM extension.
  EXPECT_EQ(sjisToUtf8Strict("\x87\x40"), "①");
  EXPECT_EQ(sjisToUtf8Strict("\xFA\xB1"), "﨑");
  EXPECT_EQ(utf8ToSjisStrict("～"), "\x81\x60");
}

TEST(TextEncoding, StrictFailsAndLenientReplaces) {
  EXPECT_FALSE(sjisToUtf8Strict("a\x82").has_value());
  EXPECT_FALSE(utf8ToSjisStrict("\xF0\x9F\x98\x80").has_value());
  EXPECT_FALSE(utf8ToSjisStrict("\xFF").has_value());
  EXPECT_EQ(sjisToUtf8("a\x82"), "a\xEF\xBF\xBD");
  EXPECT_EQ(sjisToUtf8("\x82\xA0"
                       "b\xFD"
                       "c"),
            "あb\xEF\xBF\xBD"
            "c");
  EXPECT_EQ(sjisToUtf8(""), "");
  const std::string big(10000, 'x');
  EXPECT_EQ(sjisToUtf8(big), big);
}

// What the paths' matching is built on, as glibc's converter does it: each first character is written as
// the Shift-JIS character of its partner, which reads back as the partner.
TEST(TextEncoding, CodePage932WritesOneWayPairsAsOneCharacterAndReadsTheSecond) {
  struct Pair {
    const char* first;
    const char* second;
    const char* sjis;
  };
  for (const Pair& pair : {Pair{"\u301C", "\uFF5E", "\x81\x60"}, Pair{"\u2212", "\uFF0D", "\x81\x7C"},
                           Pair{"\u2016", "\u2225", "\x81\x61"}, Pair{"\u00A2", "\uFFE0", "\x81\x91"},
                           Pair{"\u00A3", "\uFFE1", "\x81\x92"}, Pair{"\u00AC", "\uFFE2", "\x81\xCA"},
                           Pair{"\u2014", "\u2015", "\x81\x5C"}}) {
    EXPECT_EQ(utf8ToSjisStrict(pair.first), pair.sjis) << pair.first;
    EXPECT_EQ(utf8ToSjisStrict(pair.second), pair.sjis) << pair.second;
    EXPECT_EQ(sjisToUtf8Strict(pair.sjis), pair.second) << pair.first;
    // The escaped conversion keeps the first, which would otherwise come back as the second.
    EXPECT_EQ(sjisToUtf8Unescaped(*utf8ToSjisEscaped(pair.first)), pair.first);
    EXPECT_EQ(utf8ToSjisEscaped(pair.second), pair.sjis);
  }
}

TEST(TextEncoding, EscapedConversionWritesTheGetaEscapeForWhatTheCodePageCannotCarry) {
  EXPECT_EQ(utf8ToSjisEscaped("josé"), "jos\x81\xAC{E9}");
  EXPECT_EQ(utf8ToSjisEscaped("ゲーム表"), utf8ToSjisStrict("ゲーム表")) << "nothing to escape";
  EXPECT_EQ(utf8ToSjisEscaped(""), "");
  EXPECT_EQ(utf8ToSjisEscaped("\u301C"), "\x81\xAC{301C}");
  // The yen sign is written as 0x5C and the overline as "~": either would come back as another character.
  EXPECT_EQ(utf8ToSjisEscaped("a\u00A5b\u203E"), "a\x81\xAC{A5}b\x81\xAC{203E}");
  // A language tag is dropped by the converter without a word.
  EXPECT_EQ(utf8ToSjisEscaped("a\U000E0041"), "a\x81\xAC{E0041}");
  EXPECT_EQ(utf8ToSjisEscaped("\U0001F600\u00E9"), "\x81\xAC{1F600}\x81\xAC{E9}");

  // Bytes that are not UTF-8 have no reading to escape.
  for (const char* bad : {"\xFF", "a\x80", "\xC0\xAF", "\xED\xA0\x80", "\xE3\x80", "\xF4\x90\x80\x80"})
    EXPECT_FALSE(utf8ToSjisEscaped(bad).has_value()) << bad;
}

TEST(TextEncoding, EscapesReadBackAsTheirCharacters) {
  for (const char* text : {"josé/main.tvk", "a\u301Cb\u2212c", "\U0001F600", "\u00A5\\", "表〓"})
    EXPECT_EQ(sjisToUtf8Unescaped(*utf8ToSjisEscaped(text)), text) << text;
  EXPECT_EQ(sjisToUtf8("jos\x81\xAC{E9}\x81\xAC{1F600}"), "josé\U0001F600");
  // The accepted ambiguity: text that spells an escape out reads back as the character.
  EXPECT_EQ(sjisToUtf8Unescaped(*utf8ToSjisEscaped("〓{E9}")), "é");

  // Only the form the escaped conversion writes is an escape: other spellings, characters the code page
  // carries, values that are no character and cut escapes are text.
  for (const char* text : {"〓{e9}", "〓{0E9}", "〓{41}", "〓{3042}", "〓{D800}", "〓{110000}", "〓{1000000}",
                           "〓{}", "〓{E9", "〓E9}", "〓"}) {
    const std::string sjis = *utf8ToSjisStrict(text);
    EXPECT_EQ(sjisToUtf8Unescaped(sjis), text);
    EXPECT_EQ(sjisToUtf8(sjis), text);
  }
  // "ａ" is 0x82 0x81 and "ｬ" 0xAC: the bytes 0x81 0xAC between them are no geta mark.
  EXPECT_EQ(sjisToUtf8Unescaped("\x82\x81\xAC{E9}"), "ａｬ{E9}");
  // Text that is not Shift-JIS still fails strictly and is replaced leniently, around escapes too.
  EXPECT_FALSE(sjisToUtf8Unescaped("\x81\xAC{E9}\xFD").has_value());
  EXPECT_EQ(sjisToUtf8("\xFD\x81\xAC{E9}"), "\xEF\xBF\xBDé");
}

}  // namespace
}  // namespace tavrik
