#include "base/terminal_text.h"

#include <gtest/gtest.h>

namespace tavrik {
namespace {

TEST(TerminalText, ControlCharactersAreShownAndTextPassesUnchanged) {
  EXPECT_EQ(terminalText("\x1b[2Jclear\x07"), "\\x1b[2Jclear\\x07");
  EXPECT_EQ(terminalText(std::string("a\0b", 3)), "a\\x00b") << "a NUL is shown, not an end";
  EXPECT_EQ(terminalText("tab\tline\nCR\r DEL\x7f"), "tab\tline\nCR\\x0d DEL\\x7f");
  // C1 controls in UTF-8 (U+009B is a one-character CSI for some terminals); U+00A0 is text.
  EXPECT_EQ(terminalText("\xC2\x9B"
                         "31m \xC2\xA0"),
            "\\u009b31m \xC2\xA0");
  EXPECT_EQ(terminalText("日本語 \\ ok"), "日本語 \\ ok");
  EXPECT_EQ(terminalText("\xC2"), "\xC2") << "a cut sequence at the end passes as it is";
}

}  // namespace
}  // namespace tavrik
