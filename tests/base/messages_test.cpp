#include "base/messages.h"

#include <gtest/gtest.h>

#include <set>
#include <string_view>

#include "support/test_support.h"

namespace tavrik {
namespace {

struct Row {
  MessageId id;
  std::string_view name;
};

constexpr Row kRows[] = {
#define TAVRIK_MESSAGE_ROW(id, ja, en) {MessageId::id, #id},
    TAVRIK_MESSAGES(TAVRIK_MESSAGE_ROW)
#undef TAVRIK_MESSAGE_ROW
};

std::set<char> placeholders(std::string_view text) {
  std::set<char> out;
  for (std::size_t i = 0; i + 2 < text.size(); ++i) {
    if (text[i] == '{' && text[i + 1] >= '1' && text[i + 1] <= '9' && text[i + 2] == '}')
      out.insert(text[i + 1]);
  }
  return out;
}

// A translation that drops an argument says less than the other language (a file name, a count), and
// one that invents a placeholder shows "{2}" to the user.
TEST(Messages, EveryRowSaysItInBothLanguagesWithTheSameArguments) {
  ASSERT_EQ(std::size(kRows), kMessageCount);
  for (const Row& row : kRows) {
    const MessageText text = messageText(row.id);
    EXPECT_FALSE(text.ja.empty()) << row.name;
    EXPECT_FALSE(text.en.empty()) << row.name;
    EXPECT_EQ(placeholders(text.ja), placeholders(text.en)) << row.name;
    // Compile errors and their report heading are shown in Shift-JIS with the script's line.
    if (row.name.starts_with("Compile") || row.id == MessageId::ScriptErrorWhere) {
      EXPECT_FALSE(jaSjisText(row.id).empty()) << row.name << " has no Shift-JIS form";
    }
  }
}

TEST(Messages, ArgumentsFillThePlaceholdersByNumber) {
  EXPECT_EQ(ja(MessageId::LintWaitNeverEnds, {"絵", "歩く"}),
            "「絵」の動作「歩く」にはENDがないので、この待機は終わりません。");
  EXPECT_EQ(en(MessageId::LintWaitNeverEnds, {"絵", "歩く"}),
            "action '歩く' on '絵' has no END, so this wait never ends");
  // An argument is put in as it is, even one that looks like a placeholder.
  EXPECT_EQ(ja(MessageId::LintClosestName, {"{1}"}), "「{1}」");
  EXPECT_EQ(jaSjis(MessageId::CompileMacroExists, {test::sjis("待つ")}),
            test::sjis("マクロ「待つ」は以前に宣言されています。"));
}

}  // namespace
}  // namespace tavrik
