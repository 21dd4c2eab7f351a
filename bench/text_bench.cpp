// Text frames: laying out and rasterising a page of text, and drawing it typed out.
#include <benchmark/benchmark.h>

#include <memory>

#include "platform/glyph_font.h"
#include "platform/graphics_device.h"
#include "platform/input_devices.h"
#include "platform/mouse_state.h"
#include "platform/text_encoding.h"
#include "scene/scene.h"
#include "scene/text_layer.h"
#include "script/runtime/script_engine.h"

namespace {

using namespace tavrik;

// 400 characters of kana, kanji and ASCII in lines of 40, as a long page of a game reads.
std::string pageOfText() {
  const std::string line =
      *utf8ToSjisStrict("今日は晴れ。Tavrik の物語が始まる――彼女は静かに扉を開けた。ABC 123 xyz!");
  std::string out;
  std::size_t characters = 0;
  for (std::size_t i = 0; characters < 400; ++characters) {
    if (i >= line.size()) i = 0;
    const std::size_t n = (static_cast<unsigned char>(line[i]) >= 0x81 && i + 1 < line.size()) ? 2 : 1;
    out.append(line, i, n);
    i += n;
    if (characters % 40 == 39) {
      out += '\n';
      ++characters;
    }
  }
  return out;
}

struct TextRig {
  TextRig() {
    DeviceOptions options;
    options.headless = true;
    device = GraphicsDevice::create(options, nullptr);
    engine = std::make_unique<ScriptEngine>(*device, 800, 600, input, mouse, "");
    engine->setFontFace("IPAGothic");
    action = &engine->declareAction("text", ActionKind::Text, engine->fontIndexForHeight(18));
    action->charDelay = 0;
    action->append({0, static_cast<std::int32_t>(ActionAttribute::A), 1});
    layer = &engine->scene().addLayer<TextLayer>(20, 20, 0, 0);
    layer->a = 1;
    layer->setText(pageOfText());
    layer->startAll(action);
  }
  std::unique_ptr<GraphicsDevice> device;
  InputDevices input;
  MouseState mouse;
  std::unique_ptr<ScriptEngine> engine;
  Action* action = nullptr;
  TextLayer* layer = nullptr;
};

void BM_RenderGlyphsNewFace(benchmark::State& state) {
  TextRig rig;
  std::unique_ptr<FontLibrary> library = FontLibrary::create();
  for (auto _ : state) {
    state.PauseTiming();
    std::unique_ptr<GlyphFont> font = library->openFont("IPAGothic", 18);  // nothing cached yet
    rig.action->font = font.get();
    state.ResumeTiming();
    rig.layer->renderGlyphs();
    state.PauseTiming();
    rig.action->font = rig.engine->fonts()[0].font.get();
    font.reset();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_RenderGlyphsNewFace)->Unit(benchmark::kMillisecond);

void BM_RenderGlyphsSameFace(benchmark::State& state) {
  TextRig rig;
  rig.layer->renderGlyphs();
  for (auto _ : state) rig.layer->renderGlyphs();
}
BENCHMARK(BM_RenderGlyphsSameFace)->Unit(benchmark::kMillisecond);

void BM_FrameOf400TypedCharacters(benchmark::State& state) {
  TextRig rig;
  rig.layer->renderGlyphs();
  for (auto _ : state) {
    rig.engine->update();
    rig.engine->draw(true);
  }
}
BENCHMARK(BM_FrameOf400TypedCharacters)->Unit(benchmark::kMillisecond);

}  // namespace
