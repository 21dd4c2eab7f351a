// Frame cost of scenes in the headless software driver: one frame is the scene's update, and its
// drawing when it changed.
#include <benchmark/benchmark.h>

#include <stdlib.h>

#include <cmath>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "base/input_state.h"
#include "base/script_path.h"
#include "base/theme_file.h"
#include "platform/glyph_font.h"
#include "platform/graphics_device.h"
#include "platform/image_decoder.h"
#include "platform/overlay.h"
#include "scene/layer.h"
#include "scene/scene.h"
#include "scene/tiled_image.h"
#include "ui/look.h"
#include "ui/slot_screen.h"

namespace {

using namespace tavrik;

DecodedImage picture(int w, int h, std::uint32_t (*texel)(int x, int y, int w, int h)) {
  DecodedImage image;
  image.width = w;
  image.height = h;
  image.pixels.resize(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) image.pixels[static_cast<std::size_t>(y * w + x)] = texel(x, y, w, h);
  }
  return image;
}

// A background: opaque gradient.
std::uint32_t background(int x, int y, int, int) {
  return 0xFF000000u | (static_cast<std::uint32_t>(x & 0xFF) << 16) |
         (static_cast<std::uint32_t>(y & 0xFF) << 8) | 0x40;
}
// A figure: an opaque ellipse with a soft edge on a transparent ground.
std::uint32_t figure(int x, int y, int w, int h) {
  const double dx = (x - w / 2.0) / (w * 0.4), dy = (y - h * 0.55) / (h * 0.45);
  const double d = std::sqrt(dx * dx + dy * dy);
  if (d > 1.0) return 0;
  const std::uint32_t a = d > 0.95 ? static_cast<std::uint32_t>((1.0 - d) / 0.05 * 255) : 255;
  return (a << 24) | 0xE0C0A0u;
}
// Eyes or a mouth: a small patch on a transparent picture of the body's size.
std::uint32_t eyes(int x, int y, int w, int h) {
  return (y > h / 5 && y < h / 5 + 24 && x > w / 3 && x < w * 2 / 3) ? 0xFF202040u : 0u;
}
std::uint32_t mouth(int x, int y, int w, int h) {
  return (y > h / 3 && y < h / 3 + 16 && x > w * 2 / 5 && x < w * 3 / 5) ? 0xFF802020u : 0u;
}
// A text frame: a translucent box over the lower part of the screen.
std::uint32_t frame(int, int y, int, int h) {
  return y > h * 2 / 3 ? 0xB0102040u : 0u;
}
// Heavy: translucent everywhere.
std::uint32_t haze(int x, int y, int, int) {
  return 0x60000000u | static_cast<std::uint32_t>((x * 7 + y * 3) & 0xFFFFFF);
}

struct Rig {
  // threads: those a busy frame is drawn on, 0 one per core.
  explicit Rig(int threads = 0) {
    DeviceOptions options;
    options.headless = true;
    options.drawThreads = threads;
    std::string error;
    device = GraphicsDevice::create(options, &error);
    scene = std::make_unique<Scene>(*device, mouse, random, std::string());
  }
  void show(SimpleLayer& layer, float x, float y) {
    layer.x = x;
    layer.y = y;
    layer.a = 1.0f;
  }
  // One frame as the engine runs it; whether it drew.
  bool frame(bool force) {
    scene->update();
    if (!scene->prepareFrame() && !force) return false;
    device->beginScene();
    scene->drawFrame();
    device->endScene();
    device->present();
    return true;
  }
  std::unique_ptr<GraphicsDevice> device;
  MouseState mouse;
  ScriptRandom random;
  std::unique_ptr<Scene> scene;
};

// The scene a game shows most of the time: background, three people with eyes and mouths, a text frame.
void buildTypicalScene(Rig& rig, Action& blink) {
  Scene& scene = *rig.scene;
  std::string dirTemplate = (std::filesystem::temp_directory_path() / "tavrik-bench-XXXXXX").string();
  const std::filesystem::path dir = ::mkdtemp(dirTemplate.data());
  savePng(picture(400, 600, figure), dir / "person.png");
  savePng(picture(400, 600, eyes), dir / "person目0.png");
  savePng(picture(400, 600, eyes), dir / "person目1.png");
  savePng(picture(400, 600, mouth), dir / "person口0.png");
  savePng(picture(400, 600, mouth), dir / "person口1.png");
  const std::string personPath = *paths::fromNative((dir / "person").string());
  SimpleLayer& bg = scene.addLayer<SimpleLayer>(0, 0);
  bg.image().load(picture(800, 600, background));
  rig.show(bg, 0, 0);
  for (int i = 0; i < 3; ++i) {
    PersonLayer& person = scene.addLayer<PersonLayer>(400, 600);
    person.loadImage(personPath);
    rig.show(person, static_cast<float>(i * 200), 0);
    person.startEyeAction(&blink);
    person.startMouthAction(&blink);
  }
  std::filesystem::remove_all(dir);
  SimpleLayer& textFrame = scene.addLayer<SimpleLayer>(0, 0);
  textFrame.image().load(picture(800, 600, frame));
  rig.show(textFrame, 0, 0);
}

// Eyes and mouths that change every three frames.
Action blinking() {
  Action blink;
  blink.entries = {{0, static_cast<std::int32_t>(ActionAttribute::INDEX), 0},
                   {3, static_cast<std::int32_t>(ActionAttribute::INDEX), 1},
                   {6, static_cast<std::int32_t>(ActionAttribute::TIME), 0}};
  return blink;
}

void BM_TypicalSceneFrame(benchmark::State& state) {
  Rig rig(static_cast<int>(state.range(0)));
  Action blink = blinking();
  buildTypicalScene(rig, blink);
  for (auto _ : state) rig.frame(true);
  state.counters["threads"] = rig.device->drawThreads();
}
BENCHMARK(BM_TypicalSceneFrame)->Arg(0)->Arg(1)->ArgName("threads_asked")->Unit(benchmark::kMillisecond);

// The same scene with the player's save screen over it (twelve slots, three with thumbnails), in the
// player's own look; the screen costs the difference from the frame above, on as many threads.
void BM_TypicalSceneFrameWithAScreenOpen(benchmark::State& state) {
  Rig rig(static_cast<int>(state.range(0)));
  Action blink = blinking();
  buildTypicalScene(rig, blink);
  std::unique_ptr<FontLibrary> fonts = FontLibrary::create();
  int faceIndex = 0;
  std::unique_ptr<Overlay> overlay =
      fonts ? Overlay::create(*rig.device, fonts->defaultFaceFile(faceIndex), faceIndex) : nullptr;
  if (!overlay) {
    state.SkipWithError("no Japanese face");
    return;
  }
  applyLook(Theme{});
  std::vector<SlotView> views;
  for (int i = 1; i <= 12; ++i) {
    SlotView v;
    v.slot = i;
    v.labelUtf8 = "スロット " + std::to_string(i);
    if (i % 4 == 1) {
      v.used = true;
      v.dateUtf8 = "2026/12/10 08:00";
      v.textUtf8 = "今夜は星がよく見えるね。";
      v.thumbnail.assign(static_cast<std::size_t>(SlotScreen::kThumbnailWidth) * SlotScreen::kThumbnailHeight,
                         0xFF406080u);
    }
    views.push_back(std::move(v));
  }
  SlotScreen screen(*overlay, SlotScreen::Mode::Save, std::move(views));
  overlay->addCharacters(screen.characters());
  overlay->setContent([&] { screen.build(); });
  for (auto _ : state) rig.frame(true);
  state.counters["threads"] = rig.device->drawThreads();
  overlay->setContent(nullptr);
}
BENCHMARK(BM_TypicalSceneFrameWithAScreenOpen)
    ->Arg(0)
    ->Arg(1)
    ->ArgName("threads_asked")
    ->Unit(benchmark::kMillisecond);

// Sixteen translucent layers over the whole screen, drawn on one thread per core and, for comparison,
// on one thread.
void BM_HeavySceneFrame(benchmark::State& state) {
  Rig rig(static_cast<int>(state.range(0)));
  const DecodedImage translucent = picture(800, 600, haze);
  for (int i = 0; i < 16; ++i) {
    SimpleLayer& layer = rig.scene->addLayer<SimpleLayer>(0, 0);
    layer.image().load(translucent);
    rig.show(layer, 0, 0);
  }
  for (auto _ : state) rig.frame(true);
  state.counters["threads"] = rig.device->drawThreads();
}
BENCHMARK(BM_HeavySceneFrame)->Arg(0)->Arg(1)->ArgName("threads_asked")->Unit(benchmark::kMillisecond);

void BM_UnchangedFrame(benchmark::State& state) {
  Rig rig;
  Action still;
  buildTypicalScene(rig, still);
  rig.frame(true);
  for (auto _ : state) {
    if (rig.frame(false)) state.SkipWithError("an unchanged frame was drawn");
  }
}
BENCHMARK(BM_UnchangedFrame)->Unit(benchmark::kMicrosecond);

}  // namespace
