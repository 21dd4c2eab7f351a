// Every layout a decoder hands over (RGBA and RGB PNG, BMP, palettes) comes out as the same ARGB pixels.
#include "platform/image_decoder.h"

#include <SDL.h>
#include <SDL_image.h>
#include <gtest/gtest.h>

#include "support/test_support.h"

namespace tavrik {
namespace {

// Three opaque colours and, where the layout can hold it, a transparent pixel.
constexpr std::uint32_t kColours[4] = {0xFF102030u, 0xFFFF8000u, 0xFF0000FFu, 0x00000000u};

SDL_Surface* surfaceOf(Uint32 format) {
  SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, 4, 1, SDL_BITSPERPIXEL(format), format);
  if (format == SDL_PIXELFORMAT_INDEX8) {
    const SDL_Color palette[4] = {
        {0x10, 0x20, 0x30, 255}, {0xFF, 0x80, 0x00, 255}, {0, 0, 0xFF, 255}, {1, 2, 3, 255}};
    SDL_SetPaletteColors(s->format->palette, palette, 0, 4);
    for (int x = 0; x < 4; ++x) static_cast<Uint8*>(s->pixels)[x] = static_cast<Uint8>(x);
    return s;
  }
  for (int x = 0; x < 4; ++x) {
    const std::uint32_t c = kColours[x];
    const Uint32 pixel = SDL_MapRGBA(s->format, (c >> 16) & 0xFF, (c >> 8) & 0xFF, c & 0xFF, c >> 24);
    SDL_memcpy(static_cast<Uint8*>(s->pixels) + x * s->format->BytesPerPixel, &pixel,
               s->format->BytesPerPixel);
  }
  return s;
}

TEST(ImageDecoder, EveryPixelLayoutGivesTheSameArgbPixels) {
  test::TempDir dir;
  struct Case {
    const char* name;
    Uint32 format;
    bool png;
    std::uint32_t fourth;  // the fourth pixel: transparent where the layout has alpha
  };
  const Case cases[] = {{"rgba.png", SDL_PIXELFORMAT_ARGB8888, true, 0},
                        {"rgb.png", SDL_PIXELFORMAT_RGB24, true, 0xFF000000u},
                        {"rgb.bmp", SDL_PIXELFORMAT_RGB24, false, 0xFF000000u},
                        {"palette.png", SDL_PIXELFORMAT_INDEX8, true, 0xFF010203u}};
  for (const Case& c : cases) {
    SDL_Surface* s = surfaceOf(c.format);
    ASSERT_TRUE(s) << SDL_GetError();
    const std::filesystem::path file = dir.path() / c.name;
    ASSERT_EQ(c.png ? IMG_SavePNG(s, file.c_str()) : SDL_SaveBMP(s, file.c_str()), 0) << SDL_GetError();
    SDL_FreeSurface(s);
    const std::optional<DecodedImage> image = decodeImageFile(file);
    ASSERT_TRUE(image) << c.name;
    ASSERT_EQ(image->width, 4);
    ASSERT_EQ(image->height, 1);
    for (int x = 0; x < 3; ++x) EXPECT_EQ(image->pixels[x], kColours[x]) << c.name << " pixel " << x;
    if (c.fourth == 0)
      EXPECT_EQ(image->pixels[3] >> 24, 0u) << c.name;
    else
      EXPECT_EQ(image->pixels[3], c.fourth) << c.name;
  }
}

TEST(ImageDecoder, AGifGivesItsFirstPictureWithItsTransparentColourAsAlpha) {
  test::TempDir dir;
  // 2 x 1: a red pixel and one of the transparent colour (index 1, green).
  const std::string gif(
      "GIF89a\x02\x00\x01\x00\x80\x00\x00"
      "\xFF\x00\x00\x00\xFF\x00"
      "\x21\xF9\x04\x01\x00\x00\x01\x00"
      ",\x00\x00\x00\x00\x02\x00\x01\x00\x00"
      "\x02\x02\x44\x0A\x00;",
      42);
  const std::filesystem::path file = dir.write("two.gif", gif);
  const std::optional<DecodedImage> image = decodeImageFile(file);
  ASSERT_TRUE(image);
  ASSERT_EQ(image->width, 2);
  ASSERT_EQ(image->height, 1);
  EXPECT_EQ(image->pixels[0], 0xFFFF0000u);
  EXPECT_EQ(image->pixels[1] >> 24, 0u);
}

}  // namespace
}  // namespace tavrik
