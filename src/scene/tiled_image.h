// A picture held as a grid of 256 x 256 tiles. Each tile keeps its pixels in memory (allocated only once
// something is written to it) and is uploaded to a device texture when it changes or after the device
// was reset.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "scene/matrix.h"

namespace tavrik {

class DeviceTexture;
class GraphicsDevice;
struct DecodedImage;

class TiledImage {
 public:
  static constexpr int kTileSize = 256;
  // A script may declare any size; a grid larger than this would only exhaust memory.
  static constexpr int kMaxSide = 16384;

  TiledImage(int allocWidth, int allocHeight);
  ~TiledImage();
  TiledImage(const TiledImage&) = delete;
  TiledImage& operator=(const TiledImage&) = delete;

  // Every texel of every tile becomes colour (32-bit ARGB).
  void fill(std::uint32_t colour);
  // Loads a picture file (a native path): the picture's top-left at the grid's top-left, the rest of the
  // grid transparent black. A file that cannot be decoded changes nothing. False then.
  bool load(const std::filesystem::path& path);
  void load(const DecodedImage& picture);

  // Writable texels of one tile (256 x 256, row-major), allocated zeroed on first use; the tile is
  // uploaded again before it is next drawn. Null outside the grid.
  std::uint32_t* tilePixels(int col, int row);

  // Draws the source rectangle at (x, y), aligned (0 left/top, 1 centre, 2 right/bottom), its texels
  // multiplied by colour, each corner transformed by matrix.
  void draw(GraphicsDevice& device, float x, float y, int srcX, int srcY, int srcW, int srcH,
            std::uint32_t colour, const Matrix4& matrix, int alignX, int alignY);

  int imageWidth() const { return imageWidth_; }
  int imageHeight() const { return imageHeight_; }
  void setImageSize(int width, int height);
  int allocWidth() const { return allocWidth_; }
  int allocHeight() const { return allocHeight_; }
  int cols() const { return cols_; }
  int rows() const { return rows_; }
  // Changes whenever the picture changes; the scene redraws only when something changed.
  std::uint64_t version() const { return version_; }
  // How many tiles hold storage (for tests and memory accounting).
  int allocatedTiles() const;

 private:
  enum class Coverage { Transparent, Opaque, Mixed };
  struct Tile {
    std::unique_ptr<std::uint32_t[]> pixels;  // null: every texel is 0
    std::unique_ptr<DeviceTexture> texture;
    bool dirty = true;
    Coverage coverage = Coverage::Transparent;
    // The part of the tile that holds texels: a picture that ends inside the tile needs no more, and
    // its texture is made only that big.
    int usedW = 256;
    int usedH = 256;
    int textureW = 0;
    int textureH = 0;
  };

  Tile& tile(int col, int row) { return tiles_[static_cast<std::size_t>(row * cols_ + col)]; }
  void prepare(GraphicsDevice& device, Tile& t);

  int allocWidth_;
  int allocHeight_;
  int cols_;
  int rows_;
  int imageWidth_ = 0;
  int imageHeight_ = 0;
  std::uint64_t version_ = 0;
  bool releasable_ = false;  // holds a picture from a file, which nothing writes into
  std::vector<Tile> tiles_;
};

// The picture file a script names: the name as written, then with ".png", ".jpg", ".jpeg", ".bmp" and
// ".gif", then the same beside the executable (moduleDirectory, a script path ending in "\"). The
// script path found, or empty.
std::string findImageFile(std::string_view name, std::string_view moduleDirectory);

}  // namespace tavrik
