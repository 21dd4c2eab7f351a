// Makes the player's own binary files: the window icon game.ico and the desktop icon game.png.
//
//   tavrik_assetgen OUTPUT_DIR
//
// Everything is drawn here from code, so the files can be made again and changed with the source.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

struct Rgba {
  std::uint8_t r, g, b, a;
};

class Canvas {
 public:
  Canvas(int w, int h) : w_(w), h_(h), pixels_(static_cast<std::size_t>(w * h), Rgba{0, 0, 0, 0}) {}
  int width() const { return w_; }
  int height() const { return h_; }
  Rgba& at(int x, int y) { return pixels_[static_cast<std::size_t>(y * w_ + x)]; }

  // Source-over blend of a colour with coverage in [0, 1].
  void blend(int x, int y, Rgba c, double coverage) {
    if (x < 0 || y < 0 || x >= w_ || y >= h_ || coverage <= 0) return;
    Rgba& d = at(x, y);
    const double sa = c.a / 255.0 * std::min(1.0, coverage);
    const double da = d.a / 255.0;
    const double oa = sa + da * (1 - sa);
    auto mix = [&](std::uint8_t s, std::uint8_t dd) {
      return static_cast<std::uint8_t>(std::lround(oa > 0 ? (s * sa + dd * da * (1 - sa)) / oa : 0));
    };
    d = {mix(c.r, d.r), mix(c.g, d.g), mix(c.b, d.b), static_cast<std::uint8_t>(std::lround(oa * 255))};
  }

  // A rounded rectangle, anti-aliased by 4 x 4 supersampling; colour from a function of y.
  template <class ColourAt>
  void roundedRect(double x0, double y0, double x1, double y1, double radius, ColourAt colourAt) {
    for (int y = static_cast<int>(y0); y <= static_cast<int>(y1); ++y) {
      for (int x = static_cast<int>(x0); x <= static_cast<int>(x1); ++x) {
        int inside = 0;
        for (int sy = 0; sy < 4; ++sy) {
          for (int sx = 0; sx < 4; ++sx) {
            const double px = x + (sx + 0.5) / 4, py = y + (sy + 0.5) / 4;
            const double cx = std::clamp(px, x0 + radius, x1 - radius);
            const double cy = std::clamp(py, y0 + radius, y1 - radius);
            if (px >= x0 && px <= x1 && py >= y0 && py <= y1 && std::hypot(px - cx, py - cy) <= radius)
              ++inside;
          }
        }
        blend(x, y, colourAt(y), inside / 16.0);
      }
    }
  }

 private:
  int w_, h_;
  std::vector<Rgba> pixels_;
};

// The icon: a night-blue card with a text frame at the bottom and three typed-out dots, the picture
// of what the player shows.
Canvas drawIcon(int size) {
  Canvas c(size, size);
  const double s = size / 48.0;
  c.roundedRect(1 * s, 1 * s, 47 * s - 1, 47 * s - 1, 8 * s, [&](int y) {
    const double t = y / static_cast<double>(size);
    return Rgba{static_cast<std::uint8_t>(40 + 60 * t), static_cast<std::uint8_t>(50 + 40 * t),
                static_cast<std::uint8_t>(120 + 70 * t), 255};
  });
  // A moon over the scene.
  c.roundedRect(28 * s, 7 * s, 39 * s, 18 * s, 5.5 * s, [](int) { return Rgba{255, 236, 170, 255}; });
  c.roundedRect(25 * s, 5 * s, 35 * s, 15 * s, 5 * s, [&](int y) {
    const double t = y / static_cast<double>(size);
    return Rgba{static_cast<std::uint8_t>(40 + 60 * t), static_cast<std::uint8_t>(50 + 40 * t),
                static_cast<std::uint8_t>(120 + 70 * t), 255};
  });
  // The text frame and its characters.
  c.roundedRect(6 * s, 26 * s, 42 * s, 42 * s, 3 * s, [](int) { return Rgba{255, 255, 255, 225}; });
  for (int i = 0; i < 3; ++i) {
    const double x = (12 + i * 9) * s;
    c.roundedRect(x, 32 * s, x + 5 * s, 36 * s, 1.5 * s, [](int) { return Rgba{50, 60, 130, 255}; });
  }
  return c;
}

void put16(std::string& out, unsigned v) {
  out += static_cast<char>(v & 0xFF);
  out += static_cast<char>((v >> 8) & 0xFF);
}
void put32(std::string& out, std::uint32_t v) {
  put16(out, v & 0xFFFF);
  put16(out, v >> 16);
}

// One icon image as a 32-bit DIB: header, bottom-up BGRA rows, then the 1-bit AND mask.
std::string iconImage(Canvas& c) {
  std::string dib;
  const int w = c.width(), h = c.height();
  put32(dib, 40);
  put32(dib, static_cast<std::uint32_t>(w));
  put32(dib, static_cast<std::uint32_t>(h * 2));  // colour and mask stacked
  put16(dib, 1);
  put16(dib, 32);
  for (int i = 0; i < 6; ++i) put32(dib, 0);
  for (int y = h - 1; y >= 0; --y) {
    for (int x = 0; x < w; ++x) {
      const Rgba p = c.at(x, y);
      dib += static_cast<char>(p.b);
      dib += static_cast<char>(p.g);
      dib += static_cast<char>(p.r);
      dib += static_cast<char>(p.a);
    }
  }
  const int maskRow = ((w + 31) / 32) * 4;
  for (int y = h - 1; y >= 0; --y) {
    std::string row(static_cast<std::size_t>(maskRow), '\0');
    for (int x = 0; x < w; ++x) {
      if (c.at(x, y).a == 0) row[static_cast<std::size_t>(x / 8)] |= static_cast<char>(0x80 >> (x % 8));
    }
    dib += row;
  }
  return dib;
}

std::string iconFile(const std::vector<int>& sizes) {
  std::vector<std::string> images;
  for (int size : sizes) {
    Canvas c = drawIcon(size);
    images.push_back(iconImage(c));
  }
  std::string out;
  put16(out, 0);
  put16(out, 1);
  put16(out, static_cast<unsigned>(sizes.size()));
  std::uint32_t offset = 6 + 16 * static_cast<std::uint32_t>(sizes.size());
  for (std::size_t i = 0; i < sizes.size(); ++i) {
    out += static_cast<char>(sizes[i] >= 256 ? 0 : sizes[i]);
    out += static_cast<char>(sizes[i] >= 256 ? 0 : sizes[i]);
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

std::uint32_t crc32(const std::string& data) {
  std::uint32_t crc = 0xFFFFFFFFu;
  for (unsigned char c : data) {
    crc ^= c;
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

std::uint32_t adler32(const std::string& data) {
  std::uint32_t a = 1, b = 0;
  for (unsigned char c : data) {
    a = (a + c) % 65521;
    b = (b + a) % 65521;
  }
  return (b << 16) | a;
}

void putBE32(std::string& out, std::uint32_t v) {
  out += static_cast<char>(v >> 24);
  out += static_cast<char>(v >> 16);
  out += static_cast<char>(v >> 8);
  out += static_cast<char>(v);
}

// A PNG with stored (uncompressed) deflate blocks: small pictures need no compressor.
std::string pngFile(Canvas& c) {
  std::string raw;
  for (int y = 0; y < c.height(); ++y) {
    raw += '\0';
    for (int x = 0; x < c.width(); ++x) {
      const Rgba p = c.at(x, y);
      raw += static_cast<char>(p.r);
      raw += static_cast<char>(p.g);
      raw += static_cast<char>(p.b);
      raw += static_cast<char>(p.a);
    }
  }
  std::string z = "\x78\x01";
  for (std::size_t pos = 0; pos < raw.size() || pos == 0; pos += 65535) {
    const std::size_t n = std::min<std::size_t>(65535, raw.size() - pos);
    z += static_cast<char>(pos + n >= raw.size() ? 1 : 0);
    put16(z, static_cast<unsigned>(n));
    put16(z, static_cast<unsigned>(~n & 0xFFFF));
    z.append(raw, pos, n);
    if (pos + n >= raw.size()) break;
  }
  putBE32(z, adler32(raw));
  auto chunk = [](std::string& out, const char* type, const std::string& body) {
    putBE32(out, static_cast<std::uint32_t>(body.size()));
    const std::string typed = std::string(type) + body;
    out += typed;
    putBE32(out, crc32(typed));
  };
  std::string header;
  putBE32(header, static_cast<std::uint32_t>(c.width()));
  putBE32(header, static_cast<std::uint32_t>(c.height()));
  header += std::string("\x08\x06\x00\x00\x00", 5);
  std::string out = "\x89PNG\r\n\x1A\n";
  chunk(out, "IHDR", header);
  chunk(out, "IDAT", z);
  chunk(out, "IEND", "");
  return out;
}

bool writeFile(const std::filesystem::path& path, const std::string& bytes) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTPUT_DIR\n", argv[0]);
    return 2;
  }
  const std::filesystem::path dir = argv[1];
  Canvas desktopIcon = drawIcon(64);
  if (!writeFile(dir / "game.ico", iconFile({48, 32, 16})) ||
      !writeFile(dir / "game.png", pngFile(desktopIcon))) {
    std::fprintf(stderr, "cannot write the icons into %s\n", dir.c_str());
    return 1;
  }
  return 0;
}
