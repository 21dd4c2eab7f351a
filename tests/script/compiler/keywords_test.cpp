#include "script/compiler/keywords.h"

#include <gtest/gtest.h>

#include "support/test_support.h"

namespace tavrik {
namespace {

// The keywords are written as byte escapes; a slip in one would make a directive unmatchable.
TEST(Keywords, EscapesSpellTheReadableText) {
  const std::pair<std::string_view, const char*> words[] = {
      {kw::kTitle, "タイトル"},
      {kw::kWaitAction, "動作待機"},
      {kw::kWaitTime, "時間待機"},
      {kw::kWaitInput, "入力待機"},
      {kw::kMsgNeedHash, "行頭に＃が必要です。"},
      {kw::kMsgUndeclaredHead, "レイヤー，チャネル，または動作が未宣言です。"},
      {kw::kMsgUndeclaredTargetOpen, "レイヤーまたはチャネル「"},
      {kw::kMsgUndeclaredTargetClose, "」は未宣言です。"},
      {kw::kChoiceResult, "選択結果"},
      {kw::kReportOf, "の"},
      {kw::kReportLine, "行目："},
  };
  for (const auto& [bytes, text] : words) EXPECT_EQ(bytes, test::sjis(text)) << text;
}

}  // namespace
}  // namespace tavrik
