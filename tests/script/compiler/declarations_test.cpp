// What declarations and statements leave in the engine, where a golden script cannot see it.
#include <gtest/gtest.h>

#include "platform/audio_channel_player.h"
#include "platform/text_encoding.h"
#include "scene/channel.h"
#include "scene/layer.h"
#include "scene/scene.h"
#include "scene/text_layer.h"
#include "script/compiler/keywords.h"
#include "script/compiler/script_compiler.h"
#include "script/runtime/script_engine.h"
#include "support/test_support.h"

namespace tavrik {
namespace {

using test::sjis;

TEST(Declarations, LayersGetTheirKindsSizesAndDrawingOrder) {
  test::EngineRig rig;
  ASSERT_FALSE(rig.compile("＃単純レイヤー宣言：背景\n"
                           "＃人物レイヤー宣言：人，４００，６００\n"
                           "＃文字レイヤー宣言：枠，１６，２０，５００，０\n"
                           "＃単純レイヤー宣言：小，１０，－１\n"
                           "＃単純レイヤー宣言：背景，５，５\n")
                   .has_value());
  const auto& layers = rig.engine->layers();
  ASSERT_EQ(layers.size(), 5u);
  EXPECT_EQ(layers[0].kind, LayerKind::Simple);
  EXPECT_EQ(layers[1].kind, LayerKind::Person);
  EXPECT_EQ(layers[2].kind, LayerKind::Text);
  EXPECT_EQ(layers[0].layer->image().allocWidth(), 800);
  EXPECT_EQ(layers[1].layer->image().allocWidth(), 400);
  EXPECT_EQ(layers[3].layer->image().allocWidth(), 800) << "a size of 0 or less makes both the screen's";
  auto& text = static_cast<TextLayer&>(*layers[2].layer);
  EXPECT_EQ(text.originX(), 16);
  EXPECT_EQ(text.originY(), 20);
  EXPECT_EQ(text.atlas().allocWidth(), 800);
  EXPECT_EQ(text.image().allocWidth(), 800);
  EXPECT_EQ(rig.engine->findLayer(sjis("背景"))->layer, layers[0].layer) << "the first of a name wins";
  for (std::size_t i = 0; i < layers.size(); ++i)
    EXPECT_EQ(rig.engine->scene().layers()[i].get(), layers[i].layer);
}

TEST(Declarations, ChannelsGetTheirPlayersAndDefaultCounts) {
  test::EngineRig rig;
  struct Silent : AudioChannelPlayer {
    void load(std::string_view) override {}
    void play(std::uint32_t) override {}
    void stop() override {}
    void setVolumeLevel(std::int32_t) override {}
    void setPosition(float, float, float) override {}
  };
  std::vector<std::pair<bool, int>> made;
  rig.engine->setAudioPlayerFactory([&](bool positional, int count) {
    made.emplace_back(positional, count);
    return std::make_unique<Silent>();
  });
  ASSERT_FALSE(rig.compile("＃音楽チャネル宣言：a\n＃音楽チャネル宣言：b，０\n＃音楽チャネル宣言：c，－３\n"
                           "＃効果音チャネル宣言：d\n＃効果音チャネル宣言：e，８\n")
                   .has_value());
  EXPECT_EQ(made,
            (std::vector<std::pair<bool, int>>{{false, 64}, {false, 64}, {false, 64}, {true, 1}, {true, 8}}));
  EXPECT_TRUE(rig.engine->channels().find("d")->positional());
}

TEST(Declarations, BaseActionsComeFirstTheLastListedFirstOfAll) {
  test::EngineRig rig;
  ASSERT_FALSE(rig.compile("＃動作宣言：P\n0,X,1\n＃動作宣言：Q\n0,X,2\n1,Y,2\n"
                           "＃動作宣言：own：P，Q\n0,X,3\n\n  ５，ＡＬＩＧＮＸ，１\n")
                   .has_value());
  const std::vector<ActionEntry>& entries = rig.engine->findAction("own")->action->entries();
  ASSERT_EQ(entries.size(), 5u);
  EXPECT_EQ(entries[0].value, 2);
  EXPECT_EQ(entries[1].attribute, static_cast<int>(ActionAttribute::Y));
  EXPECT_EQ(entries[2].value, 1);
  EXPECT_EQ(entries[3].value, 3);
  EXPECT_EQ(entries[4].step, 5);
  EXPECT_EQ(entries[4].attribute, static_cast<int>(ActionAttribute::ALIGNX));
}

TEST(Declarations, ActionKindsNamesAndFonts) {
  test::EngineRig rig;
  ASSERT_FALSE(rig.compile("＃動作宣言：a，b\n＃目動作宣言：blink，１，２\n＃口動作宣言：talk，9\n"
                           "＃文字動作宣言：normal，２，０\n＃文字動作宣言：big，１，３６\n＃文字動作宣言：sm"
                           "all，３，１２\n")
                   .has_value());
  EXPECT_NE(rig.engine->findAction("a,b"), nullptr) << "a plain action's name keeps its commas";
  EXPECT_EQ(rig.engine->findAction("blink")->kind, ActionKind::Eye);
  EXPECT_EQ(rig.engine->findAction("talk")->kind, ActionKind::Mouth);
  const ActionDeclaration* normal = rig.engine->findAction("normal");
  EXPECT_EQ(normal->kind, ActionKind::Text);
  EXPECT_EQ(normal->action->charDelay, 2);
  EXPECT_EQ(rig.engine->fonts().size(), 2u) << "height 0 is 36 and shares the entry of 36";
  EXPECT_EQ(normal->fontIndex, rig.engine->findAction("big")->fontIndex);
  EXPECT_EQ(rig.engine->fonts()[static_cast<std::size_t>(normal->fontIndex)].height, 36);
  EXPECT_EQ(normal->action->font, rig.engine->fonts()[0].font.get());
  EXPECT_NE(normal->action->font, nullptr);
}

TEST(Declarations, ChoiceButtonsAreClickableFromTheStart) {
  test::EngineRig rig;
  ASSERT_FALSE(rig.compile("＃タイトル：before\n＃単純レイヤー宣言：b\n＃b選択宣言：３，１．５，０．１\n")
                   .has_value());
  const SimpleLayer& b = *rig.engine->layers()[0].layer;
  EXPECT_TRUE(b.clickable());
  EXPECT_EQ(b.value(), 3);
  EXPECT_EQ(rig.engine->commands().size(), 1u) << "a declaration emits no command";
}

TEST(Statements, HeadsBuiltFromNamesMatchLayersBeforeChannelsAndImageBeforeActions) {
  test::EngineRig rig;
  ASSERT_FALSE(rig.compile("＃単純レイヤー宣言：A\n＃音楽チャネル宣言：AB\n＃動作宣言：B\n＃動作宣言：画像\n"
                           "＃AB\n＃A画像：pic\n＃ABB\n＃ABロード：music\n")
                   .has_value());
  const auto& commands = rig.engine->commands();
  ASSERT_EQ(commands.size(), 4u);
  EXPECT_NE(dynamic_cast<StartActionCommand*>(commands[0]), nullptr) << "AB is layer A with action B";
  EXPECT_NE(dynamic_cast<LoadImageCommand*>(commands[1]), nullptr)
      << "an action named 画像 cannot be started";
  EXPECT_NE(dynamic_cast<StartActionCommand*>(commands[2]), nullptr) << "ABB is channel AB with action B";
  EXPECT_NE(dynamic_cast<LoadSoundCommand*>(commands[3]), nullptr);
}

TEST(Statements, TextBlocksGatherLinesEscapesAndTags) {
  test::EngineRig rig;
  ASSERT_FALSE(rig.compile("＃文字レイヤー宣言：枠\n＃文字動作宣言：標準\n＃文字動作宣言：赤\n"
                           "＃枠標準：\n"
                           "ab\n"
                           "\t\t\n"
                           "$赤$\n"
                           " cd\n"
                           "$$$x$$y$##$#\n"
                           "$標準$$z\n"
                           " ＃ not a directive after a space\n"
                           "\t#タイトル：end\n")
                   .has_value());
  ASSERT_EQ(rig.engine->commands().size(), 2u);
  auto& layer = static_cast<TextLayer&>(*rig.engine->layers()[0].layer);
  ASSERT_TRUE(rig.engine->commands()[0]->execute());
  std::string text;
  for (const TextCharacter& c : layer.characters()) {
    if (c.code > 0xFF) text += static_cast<char>(c.code >> 8);
    text += static_cast<char>(c.code & 0xFF);
  }
  // "$$$" gives ＄, "$$" gives $, "$##" ＃ and "$#" #; the character right after a tag is taken as it is.
  EXPECT_EQ(text, sjis("ab\n\n cd\n＄x$y＃#") + "\n$z\n" + sjis(" ＃ not a directive after a space"));
  const Action* normal = rig.engine->findAction(sjis("標準"))->action.get();
  const Action* red = rig.engine->findAction(sjis("赤"))->action.get();
  const auto& chars = layer.characters();
  EXPECT_EQ(chars[0].action(), normal);
  EXPECT_EQ(chars[2].action(), normal) << "the line feed before the tag line";
  EXPECT_EQ(chars[3].action(), red) << "a tag at the end of a line carries over";
  EXPECT_EQ(chars[4].action(), red);
}

TEST(Blocks, JumpLayoutsAreRelative) {
  test::EngineRig rig;
  ASSERT_FALSE(rig.compile("＃変数宣言：x\n"
                           "＃条件：x==0\n＃式：x=1\n＃式：x=2\n＃条件終了\n"
                           "＃ループ：x<9\n＃式：x+=1\n＃ループ終了\n"
                           "＃ループ\n＃式：x+=1\n＃ループ終了：x<20\n")
                   .has_value());
  const auto& c = rig.engine->commands();
  ASSERT_EQ(c.size(), 8u);
  auto offset = [&](std::size_t i) { return static_cast<JumpCommand*>(c[i])->offset(); };
  EXPECT_EQ(offset(0), 2);
  EXPECT_EQ(offset(3), 1) << "the top of a top-tested loop jumps to its test";
  EXPECT_EQ(offset(5), -2);
  EXPECT_EQ(offset(7), -2);
}

TEST(Macros, AMacroUsedTwicePutsTheSameCommandsTwice) {
  test::EngineRig rig;
  ASSERT_FALSE(
      rig.compile("＃マクロ宣言：m\n＃時間待機：１\n＃マクロ宣言終了\n＃m\n＃m：ignored：too\n").has_value());
  ASSERT_EQ(rig.engine->commands().size(), 2u);
  EXPECT_EQ(rig.engine->commands()[0], rig.engine->commands()[1]);
  EXPECT_EQ(rig.framesUntilFinished(), 3) << "the shared wait reloads for its second place";
}

TEST(Insertion, AnErrorNamesTheInsertedFile) {
  test::EngineRig rig;
  rig.dir.write("scenes/sub.tvk", test::sjisScript("＃タイトル：ok\n＃未知の命令\n"));
  const std::optional<ScriptError> error = rig.compile("＃＃ main\n＃ファイル挿入：scenes\\sub\n");
  ASSERT_TRUE(error.has_value());
  EXPECT_EQ(error->path, test::scriptPath(rig.dir.path()) + "\\scenes\\sub.tvk");
  EXPECT_EQ(error->index, 1);
  EXPECT_EQ(error->lines[1], sjis("＃未知の命令"));
}

TEST(Insertion, DeepButFiniteNestingIsBoundedWithAMessage) {
  test::EngineRig rig;
  for (int i = 0; i < 40; ++i) {
    rig.dir.write("f" + std::to_string(i) + ".tvk",
                  test::sjisScript("＃ファイル挿入：f" + std::to_string(i + 1) + "\n"));
  }
  rig.dir.write("f40.tvk", "");
  const std::optional<ScriptError> error = rig.compile("＃ファイル挿入：f0\n");
  ASSERT_TRUE(error.has_value());
  EXPECT_EQ(error->message, kw::kMsgInsertTooDeep);
}

TEST(Utf8Scripts, CompileAndReportTheLineAsWritten) {
  for (const std::string bom : {"", "\xEF\xBB\xBF"}) {
    test::EngineRig rig;
    rig.dir.write("u.tvk", bom + "＃タイトル：日本語の題\n＃変数宣言：値\n＃式：値＝３\n本文\n");
    const std::optional<ScriptError> error = rig.engine->compile(test::scriptPath(rig.dir.path() / "u.tvk"));
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(error->index, 3);
    EXPECT_TRUE(error->utf8Lines);
    EXPECT_EQ(error->lines[3], "本文");
    EXPECT_EQ(error->message, kw::kMsgNeedHash);
  }
  test::EngineRig rig;
  rig.dir.write("ok.tvk", "＃タイトル：日本語の題😀\n");
  ASSERT_FALSE(rig.engine->compile(test::scriptPath(rig.dir.path() / "ok.tvk")).has_value());
  rig.engine->update();
  EXPECT_EQ(rig.device->title(), sjis("日本語の題？")) << "a character Shift-JIS cannot hold becomes ？";
  // Shift-JIS files are read as they are.
  EXPECT_FALSE(utf8LinesAsSjis({sjis("＃タイトル：題")}).has_value());
  EXPECT_FALSE(utf8LinesAsSjis({"#plain ascii"}).has_value());
}

}  // namespace
}  // namespace tavrik

namespace tavrik {
namespace {

TEST(Statements, AWrittenFullWidthDollarOpensATag) {
  test::EngineRig rig;
  const std::optional<ScriptError> error =
      rig.compile("＃文字レイヤー宣言：枠\n＃文字動作宣言：標準\n＃枠標準：\nprice ＄5\n");
  ASSERT_TRUE(error.has_value());
  EXPECT_EQ(error->index, 3);
  EXPECT_EQ(error->message, kw::kMsgTagNotClosed);
}

}  // namespace
}  // namespace tavrik
