#include "base/keywords.h"

#include <gtest/gtest.h>

#include "support/test_support.h"

namespace tavrik {
namespace {

// The keywords are written as byte escapes; a slip in one would make a directive unmatchable.
TEST(Keywords, EscapesSpellTheReadableText) {
  const std::pair<std::string_view, const char*> words[] = {
#include "base/keywords_table.inc"
  };
  for (const auto& [bytes, text] : words) EXPECT_EQ(bytes, test::sjis(text)) << text;
}

}  // namespace
}  // namespace tavrik
