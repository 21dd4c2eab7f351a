#include "platform/image_decoder.h"

#include <SDL.h>
#include <stb_image.h>

#include <malloc.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "base/files.h"
#include "platform/image_library.h"

namespace tavrik {

namespace {

std::uint32_t be32(const unsigned char* p) {
  return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
}
std::uint16_t be16(const unsigned char* p) {
  return static_cast<std::uint16_t>((p[0] << 8) | p[1]);
}
std::uint16_t le16(const unsigned char* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
std::int32_t le32(const unsigned char* p) {
  return static_cast<std::int32_t>(std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) |
                                   (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[3]} << 24));
}

enum class Format { Unknown, Png, Jpeg, Bmp, Gif };

struct Probe {
  Format format = Format::Unknown;
  bool intact = true;  // nothing shows the file is cut short
  std::int64_t width = 0;
  std::int64_t height = 0;
  bool framesAllowed = true;      // every further frame (GIF) within the caps
  std::int64_t largestFrame = 0;  // the most pixels a GIF frame asks for
};

bool sizeAllowed(std::int64_t w, std::int64_t h);

// Skips a run of GIF data sub-blocks from i; n when they run past the end.
std::size_t skipSubBlocks(const unsigned char* d, std::size_t n, std::size_t i) {
  while (i < n && d[i] != 0) i += 1 + std::size_t{d[i]};
  return i < n ? i + 1 : n;
}

// Checks the size of every image in a GIF, not only the logical screen: a 1 x 1 screen may hold a
// frame of any size, and that is what gets allocated.
bool gifFramesAllowed(const unsigned char* d, std::size_t n, std::int64_t* largest) {
  std::size_t i = 13;
  if (d[10] & 0x80) i += 3u * (2u << (d[10] & 7));
  while (i < n) {
    const unsigned char block = d[i];
    if (block == 0x3B) break;  // trailer
    if (block == 0x21) {       // extension: label, then sub-blocks
      i = skipSubBlocks(d, n, i + 2);
    } else if (block == 0x2C) {  // image descriptor
      if (i + 10 > n) break;
      const std::int64_t w = le16(d + i + 5), h = le16(d + i + 7);
      if (!sizeAllowed(w, h)) return false;
      *largest = std::max(*largest, w * h);
      const unsigned char packed = d[i + 9];
      i += 10;
      if (packed & 0x80) i += 3u * (2u << (packed & 7));
      i = skipSubBlocks(d, n, i + 1);  // after the LZW code size
    } else {
      ++i;  // not a GIF block: the decoder passes over such bytes, looking for the next one
    }
  }
  return true;
}

// Whether every PNG chunk lies within the file and the last is IEND. The decoding library reads past
// the end of a cut-off chunk without noticing, and on some damage it then never stops.
bool pngChunksWhole(const unsigned char* d, std::size_t n) {
  std::size_t i = 8;
  while (i + 12 <= n) {
    const std::uint32_t length = be32(d + i);
    if (length > 0x7FFFFFFFu || length > n - i - 12) return false;
    const bool end = std::memcmp(d + i + 4, "IEND", 4) == 0;
    i += 12 + std::size_t{length};
    if (end) return true;
  }
  return false;
}

// Recognises the four formats pictures may have by their content and reads their size from the header,
// without decoding anything.
Probe probe(const std::string& data) {
  Probe p;
  const auto* d = reinterpret_cast<const unsigned char*>(data.data());
  const std::size_t n = data.size();
  if (n >= 24 && std::memcmp(d, "\x89PNG\r\n\x1A\n", 8) == 0 && std::memcmp(d + 12, "IHDR", 4) == 0) {
    p.format = Format::Png;
    p.width = be32(d + 16);
    p.height = be32(d + 20);
    p.intact = pngChunksWhole(d, n);
  } else if (n >= 13 && (std::memcmp(d, "GIF87a", 6) == 0 || std::memcmp(d, "GIF89a", 6) == 0)) {
    p.format = Format::Gif;
    p.width = le16(d + 6);
    p.height = le16(d + 8);
    p.framesAllowed = gifFramesAllowed(d, n, &p.largestFrame);
  } else if (n >= 26 && d[0] == 'B' && d[1] == 'M') {
    p.format = Format::Bmp;
    if (le32(d + 14) == 12) {  // the old core header: 16-bit sizes
      p.width = le16(d + 18);
      p.height = le16(d + 20);
    } else {
      p.width = le32(d + 18);
      const std::int64_t h = le32(d + 22);
      p.height = h < 0 ? -h : h;
    }
  } else if (n >= 4 && d[0] == 0xFF && d[1] == 0xD8) {
    // Walk the segments up to a start-of-frame marker; a JPEG without one is no picture.
    std::size_t i = 2;
    while (i + 9 < n) {
      if (d[i] != 0xFF) break;
      const unsigned char marker = d[i + 1];
      if (marker == 0xFF) {
        ++i;
        continue;
      }
      const std::uint16_t length = be16(d + i + 2);
      const bool sof = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
      if (sof) {
        p.format = Format::Jpeg;
        p.height = be16(d + i + 5);
        p.width = be16(d + i + 7);
        break;
      }
      i += 2 + length;
    }
    // The decoder fills a cut-off JPEG with grey and calls it a success; a whole file ends with the
    // end-of-image marker (some writers add a few bytes after it).
    const std::size_t tail = n < 4096 ? n : 4096;
    p.intact = data.find("\xFF\xD9", n - tail) != std::string::npos;
  }
  return p;
}

bool sizeAllowed(std::int64_t w, std::int64_t h) {
  return w > 0 && h > 0 && w <= kMaxImageSide && h <= kMaxImageSide && w * h <= kMaxImagePixels;
}

// Copies a decoded picture into ARGB rows directly for the layouts the decoders give most (RGBA and RGB
// PNGs, JPEGs, ARGB), without a converted copy of the whole picture first; false for the others
// (palettes, colour keys, 16-bit), which SDL converts.
bool copyAsArgb(SDL_Surface* surface, std::uint32_t* out) {
  if (SDL_HasColorKey(surface)) return false;
  const Uint32 format = surface->format->format;
  if (format != SDL_PIXELFORMAT_ARGB8888 && format != SDL_PIXELFORMAT_ABGR8888 &&
      format != SDL_PIXELFORMAT_RGB24 && format != SDL_PIXELFORMAT_BGR24)
    return false;
  if (SDL_LockSurface(surface) != 0) return false;
  const auto w = static_cast<std::size_t>(surface->w);
  for (int y = 0; y < surface->h; ++y) {
    const auto* row =
        static_cast<const unsigned char*>(surface->pixels) + static_cast<std::ptrdiff_t>(y) * surface->pitch;
    std::uint32_t* dst = out + static_cast<std::size_t>(y) * w;
    switch (format) {
      case SDL_PIXELFORMAT_ARGB8888:
        std::memcpy(dst, row, w * 4);
        break;
      case SDL_PIXELFORMAT_ABGR8888:
        for (std::size_t x = 0; x < w; ++x) {
          std::uint32_t p;
          std::memcpy(&p, row + x * 4, 4);
          dst[x] = (p & 0xFF00FF00u) | ((p & 0xFFu) << 16) | ((p >> 16) & 0xFFu);
        }
        break;
      case SDL_PIXELFORMAT_RGB24:
        for (std::size_t x = 0; x < w; ++x) {
          const unsigned char* c = row + x * 3;
          dst[x] = 0xFF000000u | (std::uint32_t{c[0]} << 16) | (std::uint32_t{c[1]} << 8) | c[2];
        }
        break;
      default:  // BGR24
        for (std::size_t x = 0; x < w; ++x) {
          const unsigned char* c = row + x * 3;
          dst[x] = 0xFF000000u | (std::uint32_t{c[2]} << 16) | (std::uint32_t{c[1]} << 8) | c[0];
        }
        break;
    }
  }
  SDL_UnlockSurface(surface);
  return true;
}

// The first picture of a GIF, on its logical screen, with its transparent colour as alpha. stb_image
// reads GIFs rather than SDL2_image, whose reader frees memory it does not own on some damaged files.
std::optional<DecodedImage> decodeGif(const std::string& data, std::int64_t maxPixels) {
  int w = 0, h = 0, channels = 0;
  stbi_uc* rgba = stbi_load_from_memory(reinterpret_cast<const stbi_uc*>(data.data()),
                                        static_cast<int>(data.size()), &w, &h, &channels, 4);
  if (!rgba) return std::nullopt;
  std::optional<DecodedImage> out;
  if (sizeAllowed(w, h) && std::int64_t{w} * h <= maxPixels) {
    DecodedImage image;
    image.width = w;
    image.height = h;
    image.pixels.resize(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
    for (std::size_t i = 0; i < image.pixels.size(); ++i) {
      const stbi_uc* c = rgba + i * 4;
      image.pixels[i] =
          (std::uint32_t{c[3]} << 24) | (std::uint32_t{c[0]} << 16) | (std::uint32_t{c[1]} << 8) | c[2];
    }
    out = std::move(image);
  }
  stbi_image_free(rgba);
  return out;
}

}  // namespace

std::optional<PictureFile> readPictureFile(const std::filesystem::path& path, ImageRefusal* why) {
  ImageRefusal ignored;
  ImageRefusal& refusal = why ? *why : ignored;
  refusal = ImageRefusal::Unreadable;
  // Only plain files of a sane size, read without exceptions: a name that leads to a device, a pipe or
  // a file that fails to read must not hang or stop the player.
  std::optional<std::string> read = readFile(path, kMaxImageFileSize);
  if (!read || read->empty()) return std::nullopt;
  refusal = ImageRefusal::NotAPicture;
  const Probe header = probe(*read);
  if (header.format == Format::Unknown || !header.intact) return std::nullopt;
  refusal = ImageRefusal::TooLarge;
  if (!sizeAllowed(header.width, header.height) || !header.framesAllowed) return std::nullopt;
  refusal = ImageRefusal::None;
  PictureFile file;
  file.bytes = std::move(*read);
  file.pixels = std::max(header.width * header.height, header.largestFrame);
  file.format = static_cast<int>(header.format);
  return file;
}

std::optional<DecodedImage> decodeImageFile(const std::filesystem::path& path, std::int64_t maxPixels,
                                            ImageRefusal* why) {
  const std::optional<PictureFile> file = readPictureFile(path, why);
  if (!file) return std::nullopt;
  return decodePicture(*file, maxPixels, why);
}

std::optional<DecodedImage> decodePicture(const PictureFile& file, std::int64_t maxPixels,
                                          ImageRefusal* why) {
  ImageRefusal ignored;
  ImageRefusal& refusal = why ? *why : ignored;
  refusal = ImageRefusal::OverBudget;
  if (file.pixels > maxPixels) return std::nullopt;
  refusal = ImageRefusal::NotAPicture;
  const std::string& data = file.bytes;
  const auto format = static_cast<Format>(file.format);
  if (format == Format::Gif) {
    std::optional<DecodedImage> gif = decodeGif(data, maxPixels);
    if (gif) refusal = ImageRefusal::None;
    return gif;
  }
  const ImageLibrary* codecs = imageLibrary();
  if (!codecs) return std::nullopt;
  SDL_RWops* rw = SDL_RWFromConstMem(data.data(), static_cast<int>(data.size()));
  if (!rw) return std::nullopt;
  SDL_Surface* loaded = nullptr;
  switch (format) {
    case Format::Png:
      loaded = codecs->loadPng(rw);
      break;
    case Format::Jpeg:
      loaded = codecs->loadJpeg(rw);
      break;
    case Format::Bmp:
      loaded = codecs->loadBmp(rw);
      break;
    case Format::Gif:  // read above
    case Format::Unknown:
      break;
  }
  SDL_RWclose(rw);
  if (!loaded) return std::nullopt;
  std::optional<DecodedImage> out;
  if (sizeAllowed(loaded->w, loaded->h) && std::int64_t{loaded->w} * loaded->h <= maxPixels) {
    DecodedImage image;
    image.width = loaded->w;
    image.height = loaded->h;
    image.pixels.resize(static_cast<std::size_t>(loaded->w) * static_cast<std::size_t>(loaded->h));
    if (copyAsArgb(loaded, image.pixels.data())) {
      SDL_FreeSurface(loaded);
      refusal = ImageRefusal::None;
      return image;
    }
    // A colour key (GIF transparency) becomes alpha in the conversion.
    SDL_Surface* argb = SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_ARGB8888, 0);
    if (argb) {
      SDL_LockSurface(argb);
      for (int y = 0; y < argb->h; ++y) {
        std::memcpy(
            image.pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(argb->w),
            static_cast<const unsigned char*>(argb->pixels) + static_cast<std::ptrdiff_t>(y) * argb->pitch,
            static_cast<std::size_t>(argb->w) * 4);
      }
      SDL_UnlockSurface(argb);
      SDL_FreeSurface(argb);
      refusal = ImageRefusal::None;
      out = std::move(image);
    }
  }
  SDL_FreeSurface(loaded);
  return out;
}

void releaseFreedMemory() {
#ifdef __GLIBC__
  malloc_trim(0);
#endif
}

bool savePng(const DecodedImage& image, const std::filesystem::path& path) {
  const ImageLibrary* codecs = imageLibrary();
  if (!codecs || image.width <= 0 || image.height <= 0) return false;
  SDL_Surface* surface =
      SDL_CreateRGBSurfaceWithFormatFrom(const_cast<std::uint32_t*>(image.pixels.data()), image.width,
                                         image.height, 32, image.width * 4, SDL_PIXELFORMAT_ARGB8888);
  if (!surface) return false;
  const bool ok = codecs->savePng(surface, path.c_str()) == 0;
  SDL_FreeSurface(surface);
  return ok;
}

}  // namespace tavrik
