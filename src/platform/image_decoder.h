// Picture files decoded into 32-bit ARGB with straight alpha (opaque where the format has none).
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace tavrik {

struct DecodedImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;  // row-major, width x height
};

// Pictures larger than this are refused before they are decoded: a hostile or broken header must not
// make the player allocate gigabytes.
inline constexpr int kMaxImageSide = 16384;
inline constexpr std::int64_t kMaxImagePixels = 64LL * 1024 * 1024;
inline constexpr std::uintmax_t kMaxImageFileSize = 512u * 1024 * 1024;

// Why a picture file gave no picture.
enum class ImageRefusal { None, Unreadable, NotAPicture, TooLarge, OverBudget };

// A picture file read and recognised by its content, not yet decoded.
struct PictureFile {
  std::string bytes;
  std::int64_t pixels = 0;  // what decoding it takes at most (a GIF's largest frame included)
  int format = 0;
};

// Reads a picture file and its size from its header; nothing when the file cannot be read, is in no
// format the decoder knows, is cut short or is larger than the caps (why says which). Nothing is decoded.
std::optional<PictureFile> readPictureFile(const std::filesystem::path& path, ImageRefusal* why = nullptr);
// Decodes what readPictureFile read, when it has at most maxPixels pixels.
std::optional<DecodedImage> decodePicture(const PictureFile& file, std::int64_t maxPixels = kMaxImagePixels,
                                          ImageRefusal* why = nullptr);

// Decodes a PNG, JPEG, BMP or GIF file, recognised by its content. Nothing when the file cannot be read,
// is in another format, is truncated, is larger than the caps (any GIF frame included: sizes are read
// from the headers before anything is decoded) or has more than maxPixels pixels; why says which.
std::optional<DecodedImage> decodeImageFile(const std::filesystem::path& path,
                                            std::int64_t maxPixels = kMaxImagePixels,
                                            ImageRefusal* why = nullptr);

// Gives memory freed after decoding (large scratch buffers) back to the system.
void releaseFreedMemory();

// Writes a picture as a PNG file with its alpha channel; false when it cannot be written.
bool savePng(const DecodedImage& image, const std::filesystem::path& path);

}  // namespace tavrik
