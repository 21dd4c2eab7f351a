#include "scene/tiled_image.h"

#include <gtest/gtest.h>

#include "platform/image_decoder.h"
#include "scene/image_store.h"
#include "scene/layer.h"
#include "scene/scene.h"
#include "support/scene_support.h"

namespace tavrik {
namespace {

std::uint32_t texel(TiledImage& image, int x, int y) {
  std::uint32_t* tile = image.tilePixels(x / 256, y / 256);
  return tile ? tile[(y % 256) * 256 + x % 256] : 0xDEADBEEF;
}

TEST(TiledImage, EmptyPicturesCostNoStorage) {
  TiledImage image(800, 600);
  EXPECT_EQ(image.cols(), 4);
  EXPECT_EQ(image.rows(), 3);
  EXPECT_EQ(image.allocatedTiles(), 0);
  image.fill(0);
  EXPECT_EQ(image.allocatedTiles(), 0);
  image.fill(0xFF112233u);
  EXPECT_EQ(image.allocatedTiles(), 12);
  EXPECT_EQ(texel(image, 799, 599), 0xFF112233u);
  image.fill(0);
  EXPECT_EQ(image.allocatedTiles(), 0);
}

TEST(TiledImage, AbsurdSizesAreBounded) {
  TiledImage huge(2147483647, 2147483647);
  EXPECT_EQ(huge.cols(), TiledImage::kMaxSide / 256);
  EXPECT_EQ(huge.allocatedTiles(), 0);
  TiledImage negative(-5, 100);
  EXPECT_EQ(negative.cols(), 0);
  EXPECT_FALSE(negative.load("/dev/zero")) << "only plain files are decoded";
}

TEST(TiledImage, APictureFillsTheTilesItCoversAndClearsTheRest) {
  TiledImage image(800, 600);
  image.fill(0xFFFFFFFFu);
  image.load(test::picture(
      300, 200, [](int x, int y) { return 0xFF000000u | static_cast<std::uint32_t>(x * 1000 + y); }));
  EXPECT_EQ(image.imageWidth(), 300);
  EXPECT_EQ(image.imageHeight(), 200);
  EXPECT_EQ(image.allocatedTiles(), 2);
  EXPECT_EQ(texel(image, 299, 199), 0xFF000000u | (299 * 1000 + 199));
  EXPECT_EQ(texel(image, 300, 0), 0u);
  EXPECT_EQ(texel(image, 0, 200), 0u);
}

TEST(TiledImage, APictureLargerThanTheScreenFillsTheWholeGrid) {
  TiledImage image(1200, 800);  // 5 x 4 tiles: 1280 x 1024
  image.load(test::solidPicture(1300, 900, 0xFF00FF00u));
  EXPECT_EQ(image.imageWidth(), 1300);
  EXPECT_EQ(texel(image, 1279, 899), 0xFF00FF00u);
  EXPECT_EQ(texel(image, 1279, 900), 0u);
}

class ImageFiles : public ::testing::Test {
 protected:
  std::string scriptPathOf(const std::string& name) { return test::scriptPath(dir.path()) + "\\" + name; }
  void png(const std::string& name, std::uint32_t colour, int w = 4, int h = 4) {
    ASSERT_TRUE(savePng(test::solidPicture(w, h, colour), dir.path() / name));
  }
  test::TempDir dir;
  test::TempDir module;
};

TEST_F(ImageFiles, SuffixesAreTriedInOrderAndAnExactNameWins) {
  png("bg.jpg", 0xFF0000FFu);
  png("bg.png", 0xFF00FF00u);
  EXPECT_EQ(findImageFile(scriptPathOf("bg"), ""), scriptPathOf("bg.png"));
  png("bg", 0xFFFF0000u);
  EXPECT_EQ(findImageFile(scriptPathOf("bg"), ""), scriptPathOf("bg"));
  EXPECT_EQ(findImageFile(scriptPathOf("BG.JPG"), ""), scriptPathOf("BG.JPG"));
  EXPECT_EQ(findImageFile(scriptPathOf("none"), ""), "");
}

TEST_F(ImageFiles, APictureOnlyBesideTheExecutableIsFoundThere) {
  ASSERT_TRUE(savePng(test::solidPicture(2, 2, 0xFFFFFFFFu), module.path() / "title.gif.png"));
  const std::string moduleDir = test::scriptPath(module.path()) + "\\";
  EXPECT_EQ(findImageFile("title.gif", moduleDir), moduleDir + "title.gif.png");
  EXPECT_EQ(findImageFile(scriptPathOf("title.gif"), moduleDir), "") << "an absolute name does not fall back";
}

TEST_F(ImageFiles, BrokenTruncatedOrHugeFilesChangeNothing) {
  png("good.png", 0xFF123456u, 8, 8);
  const std::string goodBytes = test::readBytes(dir.path() / "good.png");
  dir.write("garbage.png", "this is not a picture at all");
  dir.write("truncated.png", goodBytes.substr(0, goodBytes.size() / 2));
  dir.write("empty.png", "");
  // A valid PNG signature and header that claim 20000 x 20000 pixels.
  std::string huge = goodBytes.substr(0, 33);
  huge[16] = 0;
  huge[17] = 0;
  huge[18] = 0x4E;
  huge[19] = 0x20;
  huge[20] = 0;
  huge[21] = 0;
  huge[22] = 0x4E;
  huge[23] = 0x20;
  dir.write("huge.png", huge + goodBytes.substr(33));
  // JPEG: a start-of-frame of 30000 x 30000 and a JPEG cut before its end marker.
  dir.write("huge.jpg", std::string("\xFF\xD8\xFF\xC0\x00\x11\x08\x75\x30\x75\x30\x03", 12) +
                            std::string(64, '\0') + "\xFF\xD9");
  dir.write("cut.jpg", std::string("\xFF\xD8\xFF\xE0\x00\x10JFIF\x00", 11) + std::string(200, '\x11'));

  TiledImage image(64, 64);
  ASSERT_TRUE(image.load(dir.path() / "good.png"));
  for (const char* bad :
       {"garbage.png", "truncated.png", "empty.png", "huge.png", "huge.jpg", "cut.jpg", "missing.png"}) {
    EXPECT_FALSE(image.load(dir.path() / bad)) << bad;
    EXPECT_EQ(image.imageWidth(), 8) << bad;
    EXPECT_EQ(texel(image, 7, 7), 0xFF123456u) << bad;
  }
}

TEST_F(ImageFiles, PersonPicturesAreNumberedFromZeroWithoutGaps) {
  test::SceneRig rig;
  png("face.png", 0xFFFFFFFFu);
  png("face目0.png", 0xFF000001u);
  png("face目1.png", 0xFF000002u);
  png("face目3.png", 0xFF000003u);
  png("face口0.png", 0xFF000004u);
  PersonLayer& person = rig.scene->addLayer<PersonLayer>(100, 100);
  person.loadImage(scriptPathOf("face"));
  EXPECT_EQ(person.image().imageWidth(), 4);
  EXPECT_EQ(person.state().eyePictures, (std::vector<std::string>{scriptPathOf("face") + test::sjis("目0"),
                                                                  scriptPathOf("face") + test::sjis("目1")}));
  EXPECT_EQ(person.state().mouthPictures.size(), 1u);

  // A later picture with fewer eyes keeps the pictures it had.
  png("other.png", 0xFFFFFFFFu);
  png("other目0.png", 0xFF000005u);
  person.loadImage(scriptPathOf("other"));
  EXPECT_EQ(person.state().eyePictures, (std::vector<std::string>{scriptPathOf("other") + test::sjis("目0"),
                                                                  scriptPathOf("face") + test::sjis("目1")}));

  // A name that finds nothing changes nothing.
  person.loadImage(scriptPathOf("nobody"));
  EXPECT_EQ(person.image().imageWidth(), 4);
}

TEST_F(ImageFiles, PicturesPastTheMemoryAreRefusedAndWhatIsHeldStays) {
  ImageStore store("");
  store.memory().limit = 3 * 64 * 64 * 4;  // three 64 x 64 pictures
  std::vector<std::string> reports;
  store.setReporter([&](const std::string& line) { reports.push_back(line); });
  png("a.png", 0xFF0000FFu, 64, 64);
  png("b.png", 0xFF00FF00u, 128, 64);
  TiledImage& first = store.createImage(256, 256);
  TiledImage& second = store.createImage(256, 256);
  ASSERT_TRUE(store.load(first, scriptPathOf("a")));
  ASSERT_TRUE(store.load(second, scriptPathOf("b")));
  EXPECT_EQ(store.memory().used, 3 * 64 * 64 * 4);
  EXPECT_TRUE(reports.empty());

  // Full: another picture is refused by name, and the one held is still there.
  EXPECT_FALSE(store.load(first, scriptPathOf("b")));
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_NE(reports[0].find("b"), std::string::npos);
  EXPECT_EQ(first.source(), scriptPathOf("a"));
  EXPECT_EQ(texel(first, 0, 0), 0xFF0000FFu);
  // A picture takes the place of what its image held, so a smaller one fits where the larger was.
  EXPECT_TRUE(store.load(second, scriptPathOf("a")));
  EXPECT_EQ(store.memory().used, 2 * 64 * 64 * 4);

  // Text drawn into tiles counts too: a tile with no room is not given.
  TiledImage& atlas = store.createImage(16384, 16384);
  EXPECT_EQ(atlas.allocatedTiles(), 0);
  store.memory().limit = store.memory().used + 256 * 256 * 4;
  EXPECT_NE(atlas.tilePixels(0, 0), nullptr);
  EXPECT_EQ(atlas.tilePixels(1, 0), nullptr);
  atlas.fill(0);
  EXPECT_NE(atlas.tilePixels(1, 0), nullptr) << "cleared, the image holds nothing";
}

TEST_F(ImageFiles, ANameIsLookedUpAndItsFileDecodedOnceAFrame) {
  ImageStore store("");
  TiledImage& image = store.createImage(64, 64);
  EXPECT_FALSE(store.load(image, scriptPathOf("late")));
  png("late.png", 0xFF111111u);
  EXPECT_FALSE(store.load(image, scriptPathOf("late"))) << "the frame's lookup stands";
  store.newFrame();
  ASSERT_TRUE(store.load(image, scriptPathOf("late")));
  EXPECT_EQ(texel(image, 0, 0), 0xFF111111u);

  // Changed within the frame, the file is not decoded again for the same image; the next frame is.
  png("late.png", 0xFF222222u);
  image.setSource(scriptPathOf("late"));  // texel() wrote into the image; it holds the file again
  EXPECT_TRUE(store.load(image, scriptPathOf("late")));
  EXPECT_EQ(texel(image, 0, 0), 0xFF111111u);
  store.newFrame();
  EXPECT_TRUE(store.load(image, scriptPathOf("late")));
  EXPECT_EQ(texel(image, 0, 0), 0xFF222222u);
}

TEST_F(ImageFiles, APictureReadAheadIsTakenByTheFirstFrameAsItsFileWouldBe) {
  const auto gradient = [](int x, int y) { return 0xFF000000u | static_cast<std::uint32_t>(x * 700 + y); };
  ASSERT_TRUE(savePng(test::picture(300, 520, gradient), dir.path() / "bg.png"));
  png("small.png", 0xFF00FF00u, 64, 64);
  std::vector<ImageStore::ReadyPicture> ready =
      ImageStore::readAhead({scriptPathOf("bg"), scriptPathOf("small"), scriptPathOf("missing")}, "");
  ASSERT_EQ(ready.size(), 3u);
  EXPECT_EQ(ready[2].image, nullptr);
  // No more is read ahead than the picture memory holds (a megabyte here: one background of 624 kB).
  ::setenv("TAVRIK_PICTURE_MEMORY_MB", "1", 1);
  const std::vector<ImageStore::ReadyPicture> twice =
      ImageStore::readAhead({scriptPathOf("bg"), scriptPathOf("bg")}, "");
  ::unsetenv("TAVRIK_PICTURE_MEMORY_MB");
  EXPECT_NE(twice[0].image, nullptr);
  EXPECT_EQ(twice[1].image, nullptr);
  // The first frame takes the pictures read ahead: the files are not read again.
  png("bg.png", 0xFFFF0000u, 300, 520);

  ImageStore store("");
  store.memory().limit = 300 * 520 * 4 + 64 * 64 * 4 - 1;
  std::vector<std::string> reports;
  store.setReporter([&](const std::string& line) { reports.push_back(line); });
  store.setReady(std::move(ready));
  TiledImage& background = store.createImage(800, 600);
  background.fill(0xFFFFFFFFu);
  ASSERT_TRUE(store.load(background, scriptPathOf("bg")));
  EXPECT_EQ(background.imageWidth(), 300);
  EXPECT_EQ(background.source(), scriptPathOf("bg"));
  EXPECT_EQ(store.memory().used, 300 * 520 * 4);
  EXPECT_EQ(background.allocatedTiles(), 6) << "the picture's tiles, and no more of the white grid";
  EXPECT_EQ(texel(background, 299, 519), gradient(299, 519));
  EXPECT_EQ(texel(background, 300, 0), 0u);
  EXPECT_EQ(texel(background, 0, 520), 0u);
  // A picture read ahead is still refused when the memory has no room for it.
  TiledImage& other = store.createImage(64, 64);
  EXPECT_FALSE(store.load(other, scriptPathOf("small")));
  EXPECT_EQ(reports.size(), 1u);
  EXPECT_EQ(other.imageWidth(), 0);
  // Taken once: another image loading the file reads it. What the first frame did not take is let go
  // with it, and the file as it is now is read.
  store.memory().limit = PictureMemory::kDefaultLimit;
  TiledImage& again = store.createImage(300, 520);
  ASSERT_TRUE(store.load(again, scriptPathOf("bg")));
  EXPECT_EQ(texel(again, 0, 0), 0xFFFF0000u);
  store.newFrame();
  png("small.png", 0xFF0000FFu, 64, 64);
  ASSERT_TRUE(store.load(other, scriptPathOf("small")));
  EXPECT_EQ(texel(other, 0, 0), 0xFF0000FFu);
}

TEST(ImageDecoderProbe, EveryGifFrameIsMeasuredBeforeDecoding) {
  test::TempDir dir;
  auto le16 = [](int v) { return std::string{static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)}; };
  // A 1 x 1 GIF with an extension before its frame, then a second frame of the given size.
  auto gif = [&](int secondW, int secondH) {
    const std::string frame = std::string("\0\x02\x02\x44\x01\0", 6);
    return "GIF89a" + le16(1) + le16(1) + std::string("\x80\0\0", 3) + std::string(6, '\xFF') +
           std::string("\x21\xF9\x04\x01\0\0\0\0", 8) + "," + le16(0) + le16(0) + le16(1) + le16(1) + frame +
           "," + le16(0) + le16(0) + le16(secondW) + le16(secondH) + frame + ";";
  };
  dir.write("small.gif", gif(1, 1));
  dir.write("huge.gif", gif(20000, 20000));
  const std::optional<DecodedImage> small = decodeImageFile(dir.path() / "small.gif");
  ASSERT_TRUE(small);
  EXPECT_EQ(small->width, 1);
  ImageRefusal why = ImageRefusal::None;
  EXPECT_FALSE(decodeImageFile(dir.path() / "huge.gif", kMaxImagePixels, &why));
  EXPECT_EQ(why, ImageRefusal::TooLarge);
  // The budget is read from the header too.
  EXPECT_FALSE(decodeImageFile(dir.path() / "small.gif", 0, &why));
  EXPECT_EQ(why, ImageRefusal::OverBudget);
}

}  // namespace
}  // namespace tavrik
