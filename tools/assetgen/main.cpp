// Makes the player's own binary files and those of the demo game, drawn and synthesised from code so
// they can be made again and changed with the source:
//   assets/game.ico, assets/game.png            the window and desktop icons
//   packaging/icons/tavrik-SIZE.png             the desktop icon in the other sizes desktops ask for
//   assets/credit/...                           pictures, a chime and a tune for the default game
//   examples/demo/...                           pictures and sounds for the demo game
//
//   tavrik_assetgen REPOSITORY_ROOT
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "pictures.h"
#include "sounds.h"

namespace {

using namespace assetgen;
namespace fs = std::filesystem;

void put16(std::string& out, unsigned v) {
  out += static_cast<char>(v & 0xFF);
  out += static_cast<char>((v >> 8) & 0xFF);
}
void put32(std::string& out, std::uint32_t v) {
  put16(out, v & 0xFFFF);
  put16(out, v >> 16);
}

// One icon image as a 32-bit DIB: header, bottom-up BGRA rows, then the 1-bit AND mask.
std::string iconImage(const tavrik::DecodedImage& img) {
  std::string dib;
  const int w = img.width, h = img.height;
  put32(dib, 40);
  put32(dib, static_cast<std::uint32_t>(w));
  put32(dib, static_cast<std::uint32_t>(h * 2));  // colour and mask stacked
  put16(dib, 1);
  put16(dib, 32);
  for (int i = 0; i < 6; ++i) put32(dib, 0);
  for (int y = h - 1; y >= 0; --y)
    for (int x = 0; x < w; ++x) put32(dib, img.pixels[static_cast<std::size_t>(y * w + x)]);
  const int maskRow = ((w + 31) / 32) * 4;
  for (int y = h - 1; y >= 0; --y) {
    std::string row(static_cast<std::size_t>(maskRow), '\0');
    for (int x = 0; x < w; ++x)
      if ((img.pixels[static_cast<std::size_t>(y * w + x)] >> 24) == 0)
        row[static_cast<std::size_t>(x / 8)] |= static_cast<char>(0x80 >> (x % 8));
    dib += row;
  }
  return dib;
}

std::string iconFile(const std::vector<int>& sizes) {
  std::vector<std::string> images;
  for (int size : sizes) images.push_back(iconImage(icon(size).image()));
  std::string out;
  put16(out, 0);
  put16(out, 1);
  put16(out, static_cast<unsigned>(sizes.size()));
  std::uint32_t offset = 6 + 16 * static_cast<std::uint32_t>(sizes.size());
  for (std::size_t i = 0; i < sizes.size(); ++i) {
    out += static_cast<char>(sizes[i]);
    out += static_cast<char>(sizes[i]);
    out += '\0';
    out += '\0';
    put16(out, 1);
    put16(out, 32);
    put32(out, static_cast<std::uint32_t>(images[i].size()));
    put32(out, offset);
    offset += static_cast<std::uint32_t>(images[i].size());
  }
  for (const std::string& image : images) out += image;
  return out;
}

bool ok = true;

void write(const fs::path& path, const std::string& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) {
    std::fprintf(stderr, "cannot write %s\n", path.c_str());
    ok = false;
  }
}

void write(const fs::path& path, const Canvas& canvas) {
  fs::create_directories(path.parent_path());
  if (!tavrik::savePng(canvas.image(), path)) {
    std::fprintf(stderr, "cannot write %s\n", path.c_str());
    ok = false;
  }
}

// A person: the body and its numbered eye and mouth pictures, as the player looks them up.
void writePerson(const fs::path& dir, const std::string& name, const Palette& palette) {
  write(dir / (name + ".png"), personBody(palette));
  for (int i = 0; i < 3; ++i) write(dir / (name + "目" + std::to_string(i) + ".png"), personEyes(palette, i));
  for (int i = 0; i < 2; ++i)
    write(dir / (name + "口" + std::to_string(i) + ".png"), personMouth(palette, i));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s REPOSITORY_ROOT\n", argv[0]);
    return 2;
  }
  const fs::path root = argv[1];
  const fs::path assets = root / "assets";
  write(assets / "game.ico", iconFile({48, 32, 16}));
  write(assets / "game.png", icon(64));
  for (int size : {48, 128, 256})
    write(root / "packaging" / "icons" / ("tavrik-" + std::to_string(size) + ".png"), icon(size));

  const Palette heroine{rgb(70, 50, 90), rgb(252, 226, 206), rgb(90, 120, 200), rgb(90, 60, 140)};
  const fs::path credit = assets / "credit";
  write(credit / "sky.png", duskBackground());
  writePerson(credit, "girl", heroine);
  write(credit / "frame.png", textFrame());
  write(credit / "again.png", button(rgb(120, 170, 250), rgb(60, 100, 200), 0));
  write(credit / "quit.png", button(rgb(250, 150, 170), rgb(200, 70, 110), 1));
  write(credit / "chime.wav", chimeWav(880, 0.8));
  write(credit / "tune.mid", tuneMidi());

  const Palette friendPalette{rgb(180, 110, 50), rgb(248, 220, 196), rgb(70, 150, 110), rgb(60, 110, 60)};
  const fs::path demo = root / "examples" / "demo";
  write(demo / "pictures" / "room.png", roomBackground());
  write(demo / "pictures" / "sky.png", duskBackground());
  writePerson(demo / "pictures", "mio", heroine);
  writePerson(demo / "pictures", "ren", friendPalette);
  write(demo / "pictures" / "frame.png", textFrame());
  write(demo / "pictures" / "left.png", button(rgb(120, 200, 160), rgb(50, 140, 100), 2));
  write(demo / "pictures" / "right.png", button(rgb(250, 200, 120), rgb(210, 140, 50), 3));
  write(demo / "pictures" / "star.png", star());
  write(demo / "sounds" / "tune.mid", tuneMidi());
  write(demo / "sounds" / "knock.wav", knockWav());
  write(demo / "sounds" / "chime.wav", chimeWav(660, 0.6));
  return ok ? 0 : 1;
}
