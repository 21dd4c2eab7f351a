// The software driver against the drawing rule: random pictures under random turns, mirrors, scales,
// positions and colours give, pixel for pixel, what the reference device draws, apart from points that
// lie on an edge (where either neighbour is right) and the rounding of blending. The pictures are the
// scene's tiled images, so this is one of the scene's tests.
#include "platform/software_device.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <vector>

#include "scene/tiled_image.h"
#include "support/platform_support.h"
#include "support/reference_device.h"

namespace tavrik {
namespace {

struct Case {
  int width = 0, height = 0;
  float x = 0, y = 0, sx = 1, sy = 1, turns = 0;
  int alignX = 0, alignY = 0;
  std::uint32_t colour = 0xFFFFFFFFu;
  std::uint32_t background = 0xFF000000u;
};

std::string describe(const Case& c) {
  char text[200];
  std::snprintf(text, sizeof text, "%dx%d at (%g, %g) scaled (%g, %g) turned %g aligned (%d, %d) colour %08X",
                c.width, c.height, c.x, c.y, c.sx, c.sy, c.turns, c.alignX, c.alignY, c.colour);
  return text;
}

// Draws a picture placed as a layer places it, on a frame cleared to the background.
void drawOn(GraphicsDevice& device, TiledImage& image, const Case& c) {
  device.beginScene();
  device.clear(c.background);
  PictureDraw placed;
  placed.image = &image;
  placed.x = c.x;
  placed.y = c.y;
  placed.srcW = c.width;
  placed.srcH = c.height;
  placed.alignX = c.alignX;
  placed.alignY = c.alignY;
  placed.colour = c.colour;
  placed.matrix = Matrix4::aboutPoint(c.x + c.width * 0.5f, c.y + c.height * 0.5f, c.sx, c.sy, c.turns);
  image.draw(device, placed);
  device.endScene();
}

// Compares the software driver's frame with the reference's: the pixels that differ beyond blending's
// rounding and are not on an edge.
int faults(const GraphicsDevice& software, const test::ReferenceDevice& reference, std::string* first) {
  int count = 0;
  for (int y = 0; y < GraphicsDevice::kHeight; ++y) {
    for (int x = 0; x < GraphicsDevice::kWidth; ++x) {
      const std::uint32_t a = software.pixelAt(x, y), b = reference.pixelAt(x, y);
      if (test::nearColour(a, b, 3) || reference.ambiguous(x, y)) continue;
      if (count++ == 0 && first) {
        char text[120];
        std::snprintf(text, sizeof text, "pixel %d,%d is %08X, the rule gives %08X", x, y, a, b);
        *first = text;
      }
    }
  }
  return count;
}

TEST(SoftwareDevice, DrawsRandomPicturesAsTheRuleDoes) {
  std::mt19937 random(20261208);
  auto uniform = [&](float low, float high) {
    return std::uniform_real_distribution<float>(low, high)(random);
  };
  auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(random); };
  std::unique_ptr<GraphicsDevice> software = test::headlessDevice();
  test::ReferenceDevice reference;
  for (int round = 0; round < 300; ++round) {
    Case c;
    c.width = 1 + pick(pick(4) == 0 ? 520 : 90);  // now and then more than two tiles wide
    c.height = 1 + pick(pick(4) == 0 ? 300 : 90);
    // Whole, half and any positions.
    auto position = [&](float low, float high) {
      const float v = uniform(low, high);
      switch (pick(3)) {
        case 0:
          return std::floor(v);
        case 1:
          return std::floor(v) + 0.5f;
        default:
          return v;
      }
    };
    c.x = position(-100, 750);
    c.y = position(-100, 550);
    // Scales from a tenth to eight, mirrored half the time; exact quarter turns a third of the time.
    auto scale = [&] {
      const float s = pick(3) == 0 ? 1.0f : std::exp(uniform(std::log(0.1f), std::log(8.0f)));
      return pick(2) ? -s : s;
    };
    c.sx = scale();
    c.sy = pick(3) == 0 ? c.sx : scale();
    c.turns = pick(3) == 0 ? static_cast<float>(pick(5)) * 0.25f : uniform(-2, 2);
    if (pick(4) == 0) {
      // Only moved, or mirrored in place: whole turns and unit scales.
      c.sx = pick(4) == 0 ? -1.0f : 1.0f;
      c.sy = pick(4) == 0 ? -1.0f : 1.0f;
      c.turns = static_cast<float>(pick(3) - 1);
    }
    c.alignX = pick(3);
    c.alignY = pick(3);
    c.colour = pick(2) ? 0xFFFFFFFFu : static_cast<std::uint32_t>(random());
    c.background = 0xFF000000u | static_cast<std::uint32_t>(random());
    const DecodedImage picture = test::picture(c.width, c.height, [&](int, int) {
      const std::uint32_t texel = static_cast<std::uint32_t>(random());
      switch (pick(4)) {
        case 0:
          return texel | 0xFF000000u;  // opaque
        case 1:
          return texel & 0x00FFFFFFu;  // clear
        default:
          return texel;
      }
    });
    TiledImage forSoftware(c.width, c.height), forReference(c.width, c.height);
    forSoftware.load(picture);
    forReference.load(picture);
    drawOn(*software, forSoftware, c);
    drawOn(reference, forReference, c);
    std::string first;
    ASSERT_EQ(faults(*software, reference, &first), 0) << describe(c) << ": " << first;
  }
}

TEST(SoftwareDevice, QuarterTurnsLandOnWholeTexelsAtAnyPosition) {
  // Red, green, blue and white quarters, turned about the picture's centre.
  const int w = 100, h = 50;
  const DecodedImage four = test::picture(w, h, [](int x, int y) {
    static constexpr std::uint32_t kQuarters[4] = {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu, 0xFFFFFFFFu};
    return kQuarters[(y < 25 ? 0 : 2) + (x < 50 ? 0 : 1)];
  });
  std::unique_ptr<GraphicsDevice> device = test::headlessDevice();
  TiledImage image(w, h);
  image.load(four);
  for (float turns : {0.25f, 0.5f, 0.75f, 1.0f, -0.25f, 2.5f}) {
    for (float x : {200.0f, 200.5f, 201.25f, 37.75f, -20.0f}) {
      for (float y : {100.0f, 100.5f, 63.3f}) {
        Case c;
        c.width = w;
        c.height = h;
        c.x = x;
        c.y = y;
        c.turns = turns;
        drawOn(*device, image, c);
        // The point of each pixel, turned back by whole quarters about the centre, lands in the picture.
        // Of a picture edge, the one on the screen's left or top is in: where the turn makes s or t
        // fall towards the right or the bottom, the picture's high edge is, and a point on a texel edge
        // is the texel before it.
        const double cx = static_cast<double>(x) + 50, cy = static_cast<double>(y) + 25;
        const int quarters = ((static_cast<int>(turns * 4) % 4) + 4) % 4;
        const bool sLowIn = quarters < 2, tLowIn = quarters == 0 || quarters == 3;
        auto in = [](double v, int size, bool lowIn) {
          return lowIn ? v >= 0 && v < size : v > 0 && v <= size;
        };
        auto index = [](double v, bool lowIn) {
          return static_cast<std::size_t>(lowIn ? std::floor(v) : std::ceil(v) - 1);
        };
        int wrong = 0;
        for (int j = 0; j < GraphicsDevice::kHeight; ++j) {
          for (int i = 0; i < GraphicsDevice::kWidth; ++i) {
            const double a = i - cx, b = j - cy;
            const double dx[4] = {a, b, -a, -b}, dy[4] = {b, -a, -b, a};
            const double s = 50 + dx[quarters], t = 25 + dy[quarters];
            std::uint32_t expected = 0xFF000000u;
            if (in(s, w, sLowIn) && in(t, h, tLowIn))
              expected = four.pixels[index(t, tLowIn) * w + index(s, sLowIn)];
            wrong += device->pixelAt(i, j) != expected;
          }
        }
        EXPECT_EQ(wrong, 0) << "turned " << turns << " at " << x << ", " << y;
      }
    }
  }
}

TEST(SoftwareDevice, AScaledPictureTurnedByQuartersHasStraightEdgesAcrossItsTiles) {
  // Six tiles of one colour, scaled so that edges fall on pixel centres at some positions: each tile
  // decides such an edge the same way, so no row or column of the picture juts out or falls short.
  const int w = 600, h = 400;
  const DecodedImage flat = test::picture(w, h, [](int, int) { return 0xFF20C040u; });
  std::unique_ptr<GraphicsDevice> device = test::headlessDevice();
  TiledImage image(w, h);
  image.load(flat);
  for (float turns : {0.0f, 0.25f, 0.5f, 0.75f}) {
    for (float scale : {1.1f, 1.3f, 0.9f, 0.5f}) {
      for (float x : {100.0f, 100.5f, 37.25f}) {
        Case c;
        c.width = w;
        c.height = h;
        c.x = x;
        c.y = 100;
        c.sx = c.sy = scale;
        c.turns = turns;
        drawOn(*device, image, c);
        int left = -1, right = -1, top = -1, bottom = -1, ragged = 0;
        for (int j = 0; j < GraphicsDevice::kHeight; ++j) {
          int first = -1, last = -1, count = 0;
          for (int i = 0; i < GraphicsDevice::kWidth; ++i) {
            if (device->pixelAt(i, j) != 0xFF20C040u) continue;
            if (first < 0) first = i;
            last = i;
            ++count;
          }
          if (first < 0) continue;
          if (top < 0) {
            top = j;
            left = first;
            right = last;
          }
          bottom = j;
          ragged += first != left || last != right || count != last - first + 1;
        }
        EXPECT_EQ(ragged, 0) << describe(c);
        // The covered rows run unbroken from the top to the bottom.
        int rows = 0;
        for (int j = top; j >= 0 && j <= bottom; ++j) rows += device->pixelAt(left, j) == 0xFF20C040u;
        EXPECT_EQ(rows, bottom - top + 1) << describe(c);
      }
    }
  }
}

TEST(SoftwareDevice, ABusyFrameOnSeveralThreadsIsTheFrameOfOne) {
  // Sixteen translucent pictures over the whole screen, some turned, scaled or faded, and one whose
  // picture changes between two drawings in the same frame: the first drawing keeps the old picture.
  const DecodedImage haze = test::picture(800, 600, [](int x, int y) {
    return 0x60000000u | static_cast<std::uint32_t>((x * 7 + y * 3) & 0xFFFFFF);
  });
  const DecodedImage red = test::picture(64, 64, [](int, int) { return 0xFFFF0000u; });
  const DecodedImage blue = test::picture(64, 64, [](int, int) { return 0x80000080u; });
  std::vector<std::unique_ptr<TiledImage>> layers;
  for (int i = 0; i < 16; ++i) {
    layers.push_back(std::make_unique<TiledImage>(800, 600));
    layers.back()->load(haze);
  }
  TiledImage changing(64, 64);
  std::vector<std::uint32_t> frames[2];
  int threads[2] = {0, 0};
  for (int run = 0; run < 2; ++run) {
    DeviceOptions options;
    options.headless = true;
    options.drawThreads = run == 0 ? 1 : 4;
    std::unique_ptr<GraphicsDevice> device = GraphicsDevice::create(options, nullptr);
    ASSERT_TRUE(device);
    changing.load(red);
    device->beginScene();
    device->clear(0xFF102030u);
    for (int i = 0; i < 16; ++i) {
      PictureDraw placed;
      placed.image = layers[static_cast<std::size_t>(i)].get();
      placed.x = static_cast<float>(i * 3 - 20);
      placed.y = static_cast<float>(i * 2 - 10);
      placed.srcW = 800;
      placed.srcH = 600;
      placed.colour = i % 3 == 0 ? 0xA0FFC080u : 0xFFFFFFFFu;
      placed.matrix = Matrix4::aboutPoint(400, 300, i % 4 == 1 ? 1.25f : 1, 1, i % 5 == 2 ? 0.03f : 0);
      layers[static_cast<std::size_t>(i)]->draw(*device, placed);
    }
    PictureDraw small;
    small.image = &changing;
    small.x = 100;
    small.y = 100;
    small.srcW = small.srcH = 64;
    small.colour = 0xFFFFFFFFu;
    changing.draw(*device, small);
    changing.load(blue);
    small.x = 300;
    changing.draw(*device, small);
    device->endScene();
    device->present();
    threads[run] = device->drawThreads();
    ASSERT_TRUE(device->readFrame(frames[run]));
    EXPECT_EQ(device->pixelAt(132, 132), 0xFFFF0000u) << "run " << run;
  }
  EXPECT_EQ(threads[0], 1);
  EXPECT_EQ(threads[1], 4);
  EXPECT_TRUE(frames[0] == frames[1]);
}

}  // namespace
}  // namespace tavrik
