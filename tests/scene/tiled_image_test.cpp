#include "scene/tiled_image.h"

#include <gtest/gtest.h>

#include <fstream>

#include "platform/image_decoder.h"
#include "scene/layer.h"
#include "scene/scene.h"
#include "support/test_support.h"

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
  std::ifstream in(dir.path() / "good.png", std::ios::binary);
  const std::string goodBytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
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

}  // namespace
}  // namespace tavrik
