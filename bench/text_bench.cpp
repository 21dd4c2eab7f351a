// Text frames: laying out and rasterising a page of text, and drawing it typed out.
#include <benchmark/benchmark.h>

#include <memory>

#include "base/input_state.h"
#include "base/text_encoding.h"
#include "platform/glyph_font.h"
#include "platform/graphics_device.h"
#include "scene/scene.h"
#include "scene/text_layer.h"

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
    library = FontLibrary::create();
    font = library->openFont("IPAGothic", 18);
    scene = std::make_unique<Scene>(*device, mouse, random, std::string());
    scene->setFonts({font.get()});
    action.fontIndex = 0;
    action.entries = {{0, static_cast<std::int32_t>(ActionAttribute::A), 1}};
    layer = &scene->addLayer<TextLayer>(20, 20, 0, 0);
    layer->a = 1;
    layer->setText(pageOfText());
    layer->startAll(&action);
  }
  std::unique_ptr<GraphicsDevice> device;
  MouseState mouse;
  ScriptRandom random;
  std::unique_ptr<FontLibrary> library;
  std::unique_ptr<GlyphFont> font;
  std::unique_ptr<Scene> scene;
  Action action;
  TextLayer* layer = nullptr;
};

void BM_RenderGlyphsNewFace(benchmark::State& state) {
  TextRig rig;
  for (auto _ : state) {
    state.PauseTiming();
    std::unique_ptr<GlyphFont> font = rig.library->openFont("IPAGothic", 18);  // nothing cached yet
    rig.scene->setFonts({font.get()});
    state.ResumeTiming();
    rig.layer->renderGlyphs();
    state.PauseTiming();
    rig.scene->setFonts({rig.font.get()});
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
    rig.scene->update();
    rig.scene->prepareFrame();
    rig.device->beginScene();
    rig.scene->drawFrame();
    rig.device->endScene();
  }
}
BENCHMARK(BM_FrameOf400TypedCharacters)->Unit(benchmark::kMillisecond);

}  // namespace
