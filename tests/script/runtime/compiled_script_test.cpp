// Compiled scripts played by the engine: what declarations, macros and lines of any length make of the
// engine's layers, channels, fonts and frames, where the compiler's own tests cannot see it.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "base/keywords.h"
#include "base/text_encoding.h"
#include "platform/glyph_font.h"
#include "scene/text_layer.h"
#include "script/compiler/script_compiler.h"
#include "script/runtime/script_engine.h"
#include "support/runtime_support.h"

namespace tavrik {
namespace {

using test::compiled;
using test::sjis;

TEST(ScriptCompiler, ALineOfAnyLengthIsCompiled) {
  test::EngineRig rig;
  const std::string longTitle(5000, 'x');
  ASSERT_FALSE(rig.compile("＃タイトル：" + longTitle + "\n＃タイトル：after").has_value());
  EXPECT_EQ(rig.program->code.size(), 2u);
  rig.engine->update();
  EXPECT_EQ(rig.device->title(), "after");
}

TEST(Declarations, LayersGetTheirKindsSizesAndDrawingOrder) {
  test::TempDir dir;
  const auto p = compiled(dir,
                          "＃単純レイヤー宣言：背景\n"
                          "＃人物レイヤー宣言：人，４００，６００\n"
                          "＃文字レイヤー宣言：枠，１６，２０，５００，０\n"
                          "＃単純レイヤー宣言：小，１０，－１\n"
                          "＃単純レイヤー宣言：背景，５，５\n");
  const auto& layers = p->layers;
  ASSERT_EQ(layers.size(), 5u);
  EXPECT_EQ(layers[0].kind, LayerKind::Simple);
  EXPECT_EQ(layers[1].kind, LayerKind::Person);
  EXPECT_EQ(layers[2].kind, LayerKind::Text);
  EXPECT_EQ(layers[1].width, 400);
  EXPECT_EQ(layers[2].originX, 16);
  EXPECT_EQ(layers[2].originY, 20);
  EXPECT_EQ(layers[2].width, 500);
  EXPECT_EQ(p->findLayer(sjis("背景")), 0) << "the first of a name wins";

  // The engine gives every declaration its layer, in the same order; sizes of 0 or less are the screen's.
  test::EngineRig rig;
  ASSERT_FALSE(
      rig.compile("＃単純レイヤー宣言：背景\n＃人物レイヤー宣言：人，４００，６００\n"
                  "＃文字レイヤー宣言：枠，１６，２０，５００，０\n＃単純レイヤー宣言：小，１０，－１\n")
          .has_value());
  EXPECT_EQ(rig.engine->layer(0).image().allocWidth(), 800);
  EXPECT_EQ(rig.engine->layer(1).image().allocWidth(), 400);
  EXPECT_EQ(rig.engine->layer(3).image().allocWidth(), 800) << "a size of 0 or less makes both the screen's";
  auto& text = static_cast<TextLayer&>(rig.engine->layer(2));
  EXPECT_EQ(text.originX(), 16);
  EXPECT_EQ(text.atlas().allocWidth(), 800);
  EXPECT_EQ(text.image().allocWidth(), 800);
  EXPECT_NE(dynamic_cast<PersonLayer*>(&rig.engine->layer(1)), nullptr);
}

TEST(Declarations, ChannelsGetTheirPlayersAndDefaultCounts) {
  test::TempDir dir;
  const auto p = compiled(dir,
                          "＃音楽チャネル宣言：a\n＃音楽チャネル宣言：b，０\n＃音楽チャネル宣言：c，－３\n"
                          "＃効果音チャネル宣言：d\n＃効果音チャネル宣言：e，８\n");
  std::vector<std::pair<bool, int>> declared;
  for (const ChannelDeclaration& c : p->channels) declared.emplace_back(c.positional, c.performanceChannels);
  EXPECT_EQ(declared,
            (std::vector<std::pair<bool, int>>{{false, 64}, {false, 64}, {false, 64}, {true, 1}, {true, 8}}));
  EXPECT_EQ(p->findChannel("d"), 3);

  struct Silent : AudioChannelPlayer {
    void load(std::string_view) override {}
    void play(std::uint32_t) override {}
    void stop() override {}
    void setVolumeLevel(std::int32_t) override {}
    void setPosition(float, float, float) override {}
  };
  std::vector<std::pair<bool, int>> made;
  auto device = test::headlessDevice();
  InputDevices input;
  MouseState mouse;
  EngineServices services{*device, input, mouse};
  services.players = [&](bool positional, int count) {
    made.emplace_back(positional, count);
    return std::make_unique<Silent>();
  };
  ScriptEngine engine(p, std::move(services), "");
  EXPECT_EQ(made, declared) << "a player per channel, as declared";
  EXPECT_TRUE(engine.channel(3).positional());
}

TEST(Declarations, ActionKindsNamesAndFonts) {
  test::TempDir dir;
  const auto p = compiled(dir,
                          "＃動作宣言：a，b\n＃目動作宣言：blink，１，２\n＃口動作宣言：talk，9\n"
                          "＃文字動作宣言：normal，２，０\n＃文字動作宣言：big，１，３６\n＃文字動作宣言：sm"
                          "all，３，１２\n");
  auto action = [&](std::string_view name) -> const ActionDeclaration& {
    const std::int32_t i = p->findAction(name);
    EXPECT_GE(i, 0) << name;
    return p->actions[static_cast<std::size_t>(std::max(i, 0))];
  };
  EXPECT_GE(p->findAction("a,b"), 0) << "a plain action's name keeps its commas";
  EXPECT_EQ(action("blink").kind, ActionKind::Eye);
  EXPECT_EQ(action("talk").kind, ActionKind::Mouth);
  const ActionDeclaration& normal = action("normal");
  EXPECT_EQ(normal.kind, ActionKind::Text);
  EXPECT_EQ(normal.action.charDelay, 2);
  EXPECT_EQ(p->fontHeights, (std::vector<std::int32_t>{36, 12}))
      << "height 0 is 36 and shares the entry of 36";
  EXPECT_EQ(normal.action.fontIndex, action("big").action.fontIndex);
  EXPECT_EQ(action("small").action.fontIndex, 1);
  EXPECT_EQ(action("a,b").action.fontIndex, -1);
  EXPECT_EQ(p->findTextAction("blink"), -1) << "only text actions are tags";

  // The engine opens a font per height.
  test::EngineRig rig;
  rig.play(p);
  ASSERT_EQ(rig.engine->fonts().size(), 2u);
  ASSERT_NE(rig.engine->fonts()[0], nullptr);
  EXPECT_EQ(rig.engine->fonts()[0]->cellHeight(), 36);
  EXPECT_EQ(rig.engine->scene().font(0), rig.engine->fonts()[0]);
}

TEST(Declarations, ChoiceButtonsAreClickableFromTheStart) {
  test::EngineRig rig;
  ASSERT_FALSE(rig.compile("＃タイトル：before\n＃単純レイヤー宣言：b\n＃b選択宣言：３，１．５，０．１\n")
                   .has_value());
  const SimpleLayer& b = rig.engine->layer(0);
  EXPECT_TRUE(b.clickable());
  EXPECT_EQ(b.value(), 3);
  EXPECT_EQ(rig.program->code.size(), 1u) << "a declaration emits no command";
}

TEST(Macros, AMacroUsedTwicePutsTheSameCommandsTwice) {
  test::EngineRig rig;
  ASSERT_FALSE(
      rig.compile("＃マクロ宣言：m\n＃時間待機：１\n＃マクロ宣言終了\n＃m\n＃m：ignored：too\n").has_value());
  ASSERT_EQ(rig.program->code.size(), 2u);
  EXPECT_EQ(rig.program->code[0], rig.program->code[1]);
  EXPECT_EQ(rig.program->commands.size(), 1u);
  EXPECT_EQ(rig.program->sourceAt(1).line, 1) << "a macro's command comes from the body's line";
  EXPECT_EQ(rig.framesUntilFinished(), 3) << "the shared wait reloads for its second place";
}

TEST(Macros, ThePicturesReadAheadAreThoseLoadedBeforeTheFirstWaitMacrosIncluded) {
  test::TempDir dir;
  const auto p =
      compiled(dir,
               "＃単純レイヤー宣言：背景\n＃単純レイヤー宣言：前\n"
               "＃マクロ宣言：m\n＃前画像：fg\n＃マクロ宣言終了\n"
               "＃背景画像：bg\n＃m\n＃タイトル：t\n＃背景画像：bg2\n＃時間待機：１\n＃前画像：later\n");
  const std::vector<std::string> names = picturesAtStart(*p);
  ASSERT_EQ(names.size(), 3u);
  EXPECT_EQ(names[0], p->text(std::get<LoadImageCommand>(p->commandAt(0)).path));
  EXPECT_TRUE(names[1].ends_with("fg") && names[2].ends_with("bg2")) << names[1] << " " << names[2];
  EXPECT_EQ(picturesAtStart(*p, 1).size(), 1u);
}

TEST(Utf8Scripts, CompileAndReportTheLineAsWritten) {
  for (const std::string bom : {"", "\xEF\xBB\xBF"}) {
    test::TempDir dir;
    dir.write("u.tvk", bom + "＃タイトル：日本語の題\n＃変数宣言：値\n＃式：値＝３\n本文\n");
    const CompileResult result = compileScript(test::scriptPath(dir.path() / "u.tvk"));
    ASSERT_TRUE(result.error.has_value());
    EXPECT_EQ(result.error->index, 3);
    EXPECT_TRUE(result.error->utf8Line);
    EXPECT_EQ(result.error->line, "本文");
    EXPECT_EQ(result.error->message, kw::kMsgNeedHash);
  }
  test::EngineRig rig;
  rig.dir.write("ok.tvk", "＃タイトル：日本語の題😀\n");
  CompileResult ok = compileScript(test::scriptPath(rig.dir.path() / "ok.tvk"));
  ASSERT_FALSE(ok.error.has_value());
  rig.play(ok.program);
  rig.engine->update();
  EXPECT_EQ(rig.device->title(), sjis("日本語の題？")) << "a character Shift-JIS cannot hold becomes ？";
  // Shift-JIS files are read as they are.
  EXPECT_FALSE(utf8TextAsSjis(sjis("＃タイトル：題")).has_value());
  EXPECT_FALSE(utf8TextAsSjis("#plain ascii").has_value());
}

}  // namespace
}  // namespace tavrik
