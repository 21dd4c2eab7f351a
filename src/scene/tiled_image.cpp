#include "scene/tiled_image.h"

#include <algorithm>
#include <cstring>

#include "platform/graphics_device.h"
#include "platform/image_decoder.h"

namespace tavrik {

namespace {

constexpr int kTile = TiledImage::kTileSize;
constexpr std::size_t kTexels = static_cast<std::size_t>(kTile) * kTile;

}  // namespace

TiledImage::TiledImage(int allocWidth, int allocHeight)
    : allocWidth_(std::clamp(allocWidth, 0, kMaxSide)),
      allocHeight_(std::clamp(allocHeight, 0, kMaxSide)),
      cols_((allocWidth_ + kTile - 1) / kTile),
      rows_((allocHeight_ + kTile - 1) / kTile) {}

TiledImage::~TiledImage() {
  releaseCharge();
}

TiledImage::Tile& TiledImage::tile(int col, int row) {
  if (tiles_.empty()) tiles_.resize(static_cast<std::size_t>(cols_) * static_cast<std::size_t>(rows_));
  return tiles_[static_cast<std::size_t>(row * cols_ + col)];
}

bool TiledImage::charge(std::int64_t bytes) {
  if (memory_) {
    if (bytes > memory_->limit - memory_->used) return false;
    memory_->used += bytes;
  }
  charged_ += bytes;
  return true;
}

bool TiledImage::chargeInstead(std::int64_t bytes) {
  // A picture, counted whole as it was decoded, takes the place of all this image held.
  if (memory_ && bytes - charged_ > memory_->limit - memory_->used) return false;
  releaseCharge();
  charge(bytes);
  source_.clear();
  return true;
}

void TiledImage::releaseCharge() {
  if (memory_) memory_->used -= charged_;
  charged_ = 0;
}

void TiledImage::fill(std::uint32_t colour) {
  releasable_ = false;
  source_.clear();
  // Cleared, nothing is held; filled, every tile is (test pictures only: counted, never refused).
  releaseCharge();
  if (colour != 0 && cols_ > 0 && rows_ > 0) {
    tile(0, 0);
    charged_ = static_cast<std::int64_t>(tiles_.size() * kTexels * 4);
    if (memory_) memory_->used += charged_;
  }
  for (Tile& t : tiles_) {
    t.usedW = t.usedH = kTile;
    if (colour == 0) {
      t.pixels.reset();
    } else {
      if (!t.pixels) t.pixels = std::make_unique_for_overwrite<std::uint32_t[]>(kTexels);  // filled next
      std::fill(t.pixels.get(), t.pixels.get() + kTexels, colour);
    }
    t.dirty = true;
  }
  ++version_;
}

bool TiledImage::load(const std::filesystem::path& path) {
  const std::optional<DecodedImage> picture = decodeImageFile(path);
  return picture && load(*picture);
}

bool TiledImage::load(const DecodedImage& picture) {
  if (!chargeInstead(std::int64_t{picture.width} * picture.height * 4)) return false;
  // The whole grid takes the picture, also where it reaches beyond the screen size: only the grid bounds it.
  for (int r = 0; r < rows_; ++r) {
    for (int c = 0; c < cols_; ++c) {
      Tile& t = tile(c, r);
      t.dirty = true;
      const int x0 = c * kTile, y0 = r * kTile;
      const int w = std::min(kTile, picture.width - x0);
      const int h = std::min(kTile, picture.height - y0);
      // A tile the picture leaves fully transparent keeps no storage: eye and mouth overlays and frame
      // pictures are mostly such tiles.
      bool visible = false;
      for (int y = 0; y < h && !visible && w > 0; ++y) {
        const std::uint32_t* src =
            picture.pixels.data() +
            static_cast<std::size_t>(y0 + y) * static_cast<std::size_t>(picture.width) +
            static_cast<std::size_t>(x0);
        for (int x = 0; x < w; ++x) {
          if (src[x] >> 24) {
            visible = true;
            break;
          }
        }
      }
      if (w <= 0 || h <= 0 || !visible) {
        t.pixels.reset();
        continue;
      }
      if (!t.pixels)
        t.pixels = std::make_unique_for_overwrite<std::uint32_t[]>(kTexels);  // every texel is written below
      t.usedW = w;
      t.usedH = h;
      std::uint32_t* dst = t.pixels.get();
      for (int y = 0; y < kTile; ++y) {
        std::uint32_t* row = dst + static_cast<std::size_t>(y) * kTile;
        if (y < h) {
          const std::uint32_t* src =
              picture.pixels.data() +
              static_cast<std::size_t>(y0 + y) * static_cast<std::size_t>(picture.width) +
              static_cast<std::size_t>(x0);
          std::memcpy(row, src, static_cast<std::size_t>(w) * 4);
          std::fill(row + w, row + kTile, 0u);
        } else {
          std::fill(row, row + kTile, 0u);
        }
      }
    }
  }
  imageWidth_ = picture.width;
  imageHeight_ = picture.height;
  releasable_ = true;
  ++version_;
  return true;
}

bool TiledImage::take(TiledImage& from) {
  const bool room = chargeInstead(std::int64_t{from.imageWidth_} * from.imageHeight_ * 4);
  if (room) {
    for (int r = 0; r < rows_; ++r) {
      for (int c = 0; c < cols_; ++c) {
        Tile& t = tile(c, r);
        t.dirty = true;
        if (c < from.cols_ && r < from.rows_ && !from.tiles_.empty()) {
          Tile& given = from.tile(c, r);
          t.pixels = std::move(given.pixels);
          t.usedW = given.usedW;
          t.usedH = given.usedH;
        } else {
          t.pixels.reset();
        }
      }
    }
    imageWidth_ = from.imageWidth_;
    imageHeight_ = from.imageHeight_;
    releasable_ = true;
    ++version_;
  }
  from.unload();
  return room;
}

std::uint32_t* TiledImage::tilePixels(int col, int row) {
  if (col < 0 || row < 0 || col >= cols_ || row >= rows_) return nullptr;
  Tile& t = tile(col, row);
  if (!t.pixels) {
    if (!charge(static_cast<std::int64_t>(kTexels * 4))) return nullptr;
    t.pixels = std::make_unique<std::uint32_t[]>(kTexels);
  }
  releasable_ = false;
  source_.clear();
  t.usedW = t.usedH = kTile;
  t.dirty = true;
  ++version_;
  return t.pixels.get();
}

void TiledImage::unload() {
  fill(0);
  imageWidth_ = imageHeight_ = 0;
  source_.clear();
}

int TiledImage::allocatedTiles() const {
  return static_cast<int>(
      std::count_if(tiles_.begin(), tiles_.end(), [](const Tile& t) { return t.pixels != nullptr; }));
}

void TiledImage::prepare(GraphicsDevice& device, Tile& t) {
  const bool stale = t.texture && !t.texture->valid();
  if (!t.dirty && !stale) return;
  t.dirty = false;
  if (!t.pixels) {
    t.coverage = Coverage::Transparent;
    t.texture.reset();
    return;
  }
  bool anyVisible = false, allOpaque = true;
  for (int y = 0; y < t.usedH; ++y) {
    const std::uint32_t* row = t.pixels.get() + static_cast<std::size_t>(y) * kTile;
    for (int x = 0; x < t.usedW; ++x) {
      const std::uint32_t alpha = row[x] >> 24;
      anyVisible |= alpha != 0;
      allOpaque &= alpha == 0xFF;
    }
  }
  t.coverage = !anyVisible ? Coverage::Transparent : (allOpaque ? Coverage::Opaque : Coverage::Mixed);
  if (t.coverage == Coverage::Transparent) {
    t.texture.reset();
    return;
  }
  // A picture from a file needs no second copy where the device never loses its textures: where it
  // keeps them in memory, the tile's texels become the texture's; elsewhere (the software renderer
  // keeps its own) the texels are let go once uploaded. A tile the picture covers less than three
  // quarters of is copied into a texture its own size rather than kept whole.
  const bool release = releasable_ && device.texturesPersist();
  if (release && 4 * t.usedW * t.usedH >= 3 * kTile * kTile) {
    if (std::unique_ptr<DeviceTexture> adopted = device.adoptTexture(t.usedW, t.usedH, t.pixels, kTile)) {
      t.texture = std::move(adopted);
      t.textureW = t.usedW;
      t.textureH = t.usedH;
      return;
    }
  }
  if (!t.texture || stale || t.textureW != t.usedW || t.textureH != t.usedH) {
    t.texture = device.createTexture(t.usedW, t.usedH);
    t.textureW = t.usedW;
    t.textureH = t.usedH;
  }
  if (t.texture) t.texture->upload(t.pixels.get(), kTile);
  if (t.texture && release) t.pixels.reset();
}

void TiledImage::draw(GraphicsDevice& device, const PictureDraw& placed) {
  const int srcX = placed.srcX, srcY = placed.srcY, srcW = placed.srcW, srcH = placed.srcH;
  const int alignX = placed.alignX, alignY = placed.alignY;
  const std::uint32_t colour = placed.colour;
  const Matrix4& matrix = placed.matrix;
  float x = placed.x, y = placed.y;
  if (srcW <= 0 || srcH <= 0 || tiles_.empty()) return;
  if (alignX == 1) x -= static_cast<float>(srcW / 2);
  if (alignX == 2) x -= static_cast<float>(srcW);
  if (alignY == 1) y -= static_cast<float>(srcH / 2);
  if (alignY == 2) y -= static_cast<float>(srcH);
  // Texels multiplied by a colour of zero alpha leave the target as it is.
  if ((colour >> 24) == 0) return;
  for (int r = 0; r < rows_; ++r) {
    const int ty = r * kTile;
    if (!(srcY < ty + kTile && ty < srcY + srcH)) continue;
    for (int c = 0; c < cols_; ++c) {
      const int tx = c * kTile;
      if (!(srcX < tx + kTile && tx < srcX + srcW)) continue;
      Tile& t = tile(c, r);
      prepare(device, t);
      if (t.coverage == Coverage::Transparent || !t.texture) continue;
      const int u0 = tx < srcX ? srcX - tx : 0;
      const int v0 = ty < srcY ? srcY - ty : 0;
      const int u1 = std::min(srcX + srcW - tx, t.textureW);
      const int v1 = std::min(srcY + srcH - ty, t.textureH);
      if (u1 <= u0 || v1 <= v0) continue;
      const float tw = static_cast<float>(t.textureW), th = static_cast<float>(t.textureH);
      const float bx = static_cast<float>(tx) + x - static_cast<float>(srcX);
      const float by = static_cast<float>(ty) + y - static_cast<float>(srcY);
      const float corners[4][4] = {
          {bx + u0, by + v0, u0 / tw, v0 / th},
          {bx + u1, by + v0, u1 / tw, v0 / th},
          {bx + u0, by + v1, u0 / tw, v1 / th},
          {bx + u1, by + v1, u1 / tw, v1 / th},
      };
      QuadCorner quad[4];
      for (int i = 0; i < 4; ++i) {
        matrix.transform(corners[i][0], corners[i][1], quad[i].x, quad[i].y);
        quad[i].u = corners[i][2];
        quad[i].v = corners[i][3];
      }
      const bool blend = !(t.coverage == Coverage::Opaque && (colour >> 24) == 0xFF);
      device.drawQuad(*t.texture, quad, colour, blend);
    }
  }
}

}  // namespace tavrik
