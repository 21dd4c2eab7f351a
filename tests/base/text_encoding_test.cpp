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

}  // namespace
}  // namespace tavrik
