// Text frames: a frame picture and a row of characters, each its own animated object, typed out by text
// actions. The characters are rasterised once into the layer's glyph atlas, which also lays them out.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "scene/layer.h"

namespace tavrik {

class GlyphFont;

class TextCharacter : public AnimatedObject {
 public:
  TextCharacter(ScriptRandom& random, std::uint16_t characterCode)
      : AnimatedObject(random), code(characterCode) {}

  // The character's byte, or lead * 256 + trail for a two-byte character.
  std::uint16_t code;
  // Its cell in the atlas, which is also its place in the frame.
  std::int32_t cellX = 0, cellY = 0, cellW = 0, cellH = 0;

  // Control characters such as the line feed take a cell but are never drawn.
  bool drawn() const { return code >= 0x20; }
  bool isLineFeed() const { return code == 0x0A; }
};

// Rasterises one character of font at (x, y) of image and merges it as white texels whose alpha is the
// coverage times the colour's alpha; texels the glyph does not cover keep their value. The cell size is
// returned through width and height (0 x 0 without a font).
void textOut(TiledImage& image, std::uint16_t code, int x, int y, std::uint32_t colour, const GlyphFont* font,
             int& width, int& height);

class TextLayer : public SimpleLayer {
 public:
  // The frame picture is always screen-sized; the atlas has the given size (the screen's when 0 or less).
  TextLayer(Scene& scene, int originX, int originY, int atlasWidth, int atlasHeight);

  // New characters from Shift-JIS text, reset and invisible; no action is started and nothing rasterised.
  void setText(std::string_view text);
  // Starts action on every character, each later by the action's character delay.
  void startAll(const Action* action);
  // Character i runs actions[i]; delays add up from each character's own action.
  void startEach(const std::vector<const Action*>& actions);
  // Clears the atlas and lays out and rasterises every character with its action's font.
  void renderGlyphs();

  void update() override;
  // Finished when every character is (at once without characters); the layer's own action does not count.
  bool isFinished() const override;
  void appendDraws(DrawList& out) override;

  LayerState state() const override;
  // The stored characters with their actions and steps, laid out again with the current fonts.
  void restore(const LayerState& state, std::vector<ImageStore::Request>& pictures) override;

  const std::vector<TextCharacter>& characters() const { return characters_; }
  std::vector<TextCharacter>& characters() { return characters_; }
  TiledImage& atlas() { return *atlas_; }
  std::int32_t originX() const { return originX_; }
  std::int32_t originY() const { return originY_; }

 private:
  Matrix4 characterMatrix(const TextCharacter& c, float ox, float oy) const;

  TiledImage* atlas_;
  std::int32_t originX_;
  std::int32_t originY_;
  std::vector<TextCharacter> characters_;
};

}  // namespace tavrik
