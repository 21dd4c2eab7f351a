#include "scene/text_layer.h"

#include <algorithm>

#include "base/sjis_text.h"
#include "platform/glyph_font.h"
#include "scene/scene.h"
#include "scene/tiled_image.h"

namespace tavrik {

namespace {

constexpr int kTile = TiledImage::kTileSize;

}  // namespace

void textOut(TiledImage& image, std::uint16_t code, int x, int y, std::uint32_t colour, const GlyphFont* font,
             int& width, int& height) {
  width = height = 0;
  if (!font) return;
  const GlyphCell& cell = font->glyph(code);
  width = cell.width;
  height = cell.height;
  if (width == 0 || height == 0 || cell.coverage.empty()) return;
  const std::uint32_t alpha = colour >> 24, rgb = colour & 0xFFFFFFu;
  const int right = x + width, bottom = y + height;
  for (int r = std::max(0, y / kTile); r < image.rows() && r * kTile < bottom; ++r) {
    for (int c = std::max(0, x / kTile); c < image.cols() && c * kTile < right; ++c) {
      const int tx = c * kTile, ty = r * kTile;
      const int x0 = std::max(x, tx), x1 = std::min(right, tx + kTile);
      const int y0 = std::max(y, ty), y1 = std::min(bottom, ty + kTile);
      if (x0 >= x1 || y0 >= y1) continue;
      // Only tiles the glyph actually covers are touched, so an atlas stays small where it is empty.
      bool any = false;
      for (int py = y0; py < y1 && !any; ++py) {
        for (int px = x0; px < x1; ++px) {
          if (cell.coverage[static_cast<std::size_t>((py - y) * width + (px - x))] * alpha / 255 != 0) {
            any = true;
            break;
          }
        }
      }
      if (!any) continue;
      // A tile the picture memory has no room for stays without the glyph.
      std::uint32_t* tile = image.tilePixels(c, r);
      if (!tile) continue;
      for (int py = y0; py < y1; ++py) {
        // Rows are indexed from their own start: a pointer moved back by x would leave its array.
        const std::uint8_t* src = cell.coverage.data() + static_cast<std::size_t>((py - y) * width);
        std::uint32_t* dst = tile + static_cast<std::size_t>((py - ty) * kTile);
        for (int px = x0; px < x1; ++px) {
          const std::uint32_t a = src[px - x] * alpha / 255;
          if (a != 0) dst[px - tx] = (a << 24) | rgb;
        }
      }
    }
  }
}

TextLayer::TextLayer(Scene& scene, int originX, int originY, int atlasWidth, int atlasHeight)
    : SimpleLayer(scene, 0, 0), originX_(originX), originY_(originY) {
  if (atlasWidth <= 0 || atlasHeight <= 0) {
    atlasWidth = scene.width();
    atlasHeight = scene.height();
  }
  atlas_ = &scene.images().createImage(atlasWidth, atlasHeight);
}

void TextLayer::setText(std::string_view text) {
  characters_.clear();
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t n = sjis::charLength(text, i);
    const auto lead = static_cast<unsigned char>(text[i]);
    const std::uint16_t code =
        n == 2 ? static_cast<std::uint16_t>(lead * 256 + static_cast<unsigned char>(text[i + 1])) : lead;
    characters_.emplace_back(scene_.random(), code);
    i += n;
  }
}

namespace {

// Starts every character on the action actionFor(i) gives it, each one the action's delay after the one
// before.
template <class ActionFor>
void startCharacters(std::vector<TextCharacter>& characters, ActionFor actionFor) {
  std::int32_t delay = 0;
  for (std::size_t i = 0; i < characters.size(); ++i) {
    const Action* action = actionFor(i);
    characters[i].start(action);
    characters[i].step = delay;
    delay -= action ? action->charDelay : 0;
  }
}

}  // namespace

void TextLayer::startAll(const Action* action) {
  startCharacters(characters_, [action](std::size_t) { return action; });
}

void TextLayer::startEach(const std::vector<const Action*>& actions) {
  startCharacters(characters_,
                  [&actions](std::size_t i) { return i < actions.size() ? actions[i] : nullptr; });
}

void TextLayer::renderGlyphs() {
  atlas_->fill(0);
  int penX = 0, penY = 0;
  for (TextCharacter& c : characters_) {
    int width = 0, height = 0;
    const GlyphFont* font = c.action() ? scene_.font(c.action()->fontIndex) : nullptr;
    textOut(*atlas_, c.code, penX, penY, 0xFFFFFFFFu, font, width, height);
    c.cellX = penX;
    c.cellY = penY;
    c.cellW = width;
    c.cellH = height;
    penX += width;
    if (c.isLineFeed()) {
      penX = 0;
      penY += height;
    }
  }
}

void TextLayer::update() {
  updateLayer();
  // The player's text speed: the characters' actions run that many frames in one, or to their end.
  const int steps = scene_.textSteps();
  for (TextCharacter& c : characters_) {
    if (steps < 0) {
      c.update();
      c.settle();
    }
    for (int k = 0; k < steps; ++k) c.update();
  }
}

bool TextLayer::isFinished() const {
  return std::all_of(characters_.begin(), characters_.end(),
                     [](const TextCharacter& c) { return c.isFinished(); });
}

Matrix4 TextLayer::characterMatrix(const TextCharacter& c, float ox, float oy) const {
  const float cx = ox + c.x + static_cast<float>(c.cellX + c.cellW / 2);
  const float cy = oy + c.y + static_cast<float>(c.cellY + c.cellH / 2);
  return Matrix4::aboutPoint(cx, cy, c.w, c.h, c.t) * matrix();
}

void TextLayer::appendDraws(DrawList& out) {
  SimpleLayer::appendDraws(out);
  // The text hangs from the truncated layer position, not from the aligned frame picture.
  // Summed wide: a script may put both near the ends of the int range.
  const float ox = static_cast<float>(std::int64_t{truncateToInt(x)} + originX_);
  const float oy = static_cast<float>(std::int64_t{truncateToInt(y)} + originY_);
  for (const TextCharacter& c : characters_) {
    if (!c.drawn() || c.cellW <= 0 || c.cellH <= 0) continue;
    const std::uint32_t colour = packColour(c);
    if ((colour >> 24) == 0) continue;
    PictureDraw d;
    d.image = atlas_;
    d.version = atlas_->version();
    d.x = ox + c.x + static_cast<float>(c.cellX);
    d.y = oy + c.y + static_cast<float>(c.cellY);
    d.srcX = c.cellX;
    d.srcY = c.cellY;
    d.srcW = c.cellW;
    d.srcH = c.cellH;
    d.colour = colour;
    d.matrix = characterMatrix(c, ox, oy);
    out.push_back(d);
  }
}

LayerState TextLayer::state() const {
  LayerState s = SimpleLayer::state();
  s.characters.reserve(characters_.size());
  for (const TextCharacter& c : characters_) s.characters.push_back({c.code, c.objectState()});
  return s;
}

void TextLayer::restore(const LayerState& state, std::vector<ImageStore::Request>& pictures) {
  SimpleLayer::restore(state, pictures);
  characters_.clear();
  characters_.reserve(state.characters.size());
  for (const CharacterState& stored : state.characters) {
    characters_.emplace_back(scene_.random(), stored.code);
    characters_.back().restoreObject(stored.object);
  }
  renderGlyphs();
}

}  // namespace tavrik
