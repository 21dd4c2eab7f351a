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

#include "scene/draw_list.h"

namespace tavrik {

class DeviceTexture;
class GraphicsDevice;
struct DecodedImage;

// What the pictures of a scene may hold at once: decoded pictures and the tiles text is drawn into, in
// bytes. A picture past the limit is refused; what is already held stays.
struct PictureMemory {
  static constexpr std::int64_t kDefaultLimit = std::int64_t{1} << 30;
  std::int64_t limit = kDefaultLimit;
  std::int64_t used = 0;
};

class TiledImage {
 public:
  static constexpr int kTileSize = 256;
  // A script may declare any size; a grid larger than this would only exhaust memory.
  static constexpr int kMaxSide = 16384;

  TiledImage(int allocWidth, int allocHeight);
  ~TiledImage();
  TiledImage(const TiledImage&) = delete;
  TiledImage& operator=(const TiledImage&) = delete;

  // Counts what this image holds against memory (which must outlive it); none counts nothing.
  void setMemory(PictureMemory* memory) { memory_ = memory; }

  // Every texel of every tile becomes colour (32-bit ARGB).
  void fill(std::uint32_t colour);
  // Loads a picture file (a native path): the picture's top-left at the grid's top-left, the rest of the
  // grid transparent black. A file that cannot be decoded, or a picture the memory has no room for,
  // changes nothing. False then.
  bool load(const std::filesystem::path& path);
  bool load(const DecodedImage& picture);
  // Takes the picture from an image that loaded it at the picture's own size, outside any memory (on
  // another thread, ahead of time), as load would have put it here. False, changing nothing, when the
  // memory has no room; from is left empty either way.
  bool take(TiledImage& from);
  // The bytes this image holds counted against its memory.
  std::int64_t charged() const { return charged_; }

  // Writable texels of one tile (256 x 256, row-major), allocated zeroed on first use; the tile is
  // uploaded again before it is next drawn. Null outside the grid, and when the memory has no room.
  std::uint32_t* tilePixels(int col, int row);

  // Back to no picture at all, as a new image.
  void unload();

  // Draws the placed source rectangle (its image is this one), one quad per tile it touches.
  void draw(GraphicsDevice& device, const PictureDraw& placed);

  int imageWidth() const { return imageWidth_; }
  int imageHeight() const { return imageHeight_; }
  // The script name of the picture file it holds; empty when it holds none.
  const std::string& source() const { return source_; }
  void setSource(std::string_view name) { source_.assign(name); }
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

  // The grid is made when something is first put in it: a declared but unused image costs nothing.
  Tile& tile(int col, int row);
  // Counts bytes more against the memory; false, counting nothing, when they do not fit.
  bool charge(std::int64_t bytes);
  void releaseCharge();
  // A picture of that many bytes takes the place of what the image held; false, changing nothing, when
  // the memory has no room for it.
  bool chargeInstead(std::int64_t bytes);
  void prepare(GraphicsDevice& device, Tile& t);

  int allocWidth_;
  int allocHeight_;
  int cols_;
  int rows_;
  int imageWidth_ = 0;
  int imageHeight_ = 0;
  std::uint64_t version_ = 0;
  bool releasable_ = false;  // holds a picture from a file, which nothing writes into
  std::string source_;
  std::vector<Tile> tiles_;
  PictureMemory* memory_ = nullptr;
  std::int64_t charged_ = 0;
};

}  // namespace tavrik
