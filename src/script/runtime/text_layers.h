// The program's text layers as they stand in the engine's scene: how far their typing has got, and
// laying them all out again when the fonts change.
#pragma once

#include <cstddef>

namespace tavrik {

class Scene;
class TextLayer;
struct Program;

class TextLayers {
 public:
  // The scene's layers are those of the program's table, in the same order.
  TextLayers(const Program& program, Scene& scene) : program_(program), scene_(scene) {}

  // Every text layer has begun its last character: the typing is over.
  bool typed() const;
  // The characters the text layers hold, line feeds not counted.
  std::size_t shownCharacters() const;
  // Lays out and rasterises every text layer with the scene's current fonts; the characters keep their
  // actions, steps and attributes.
  void renderGlyphs();
  // Shows every text whole at once: each character as its action leaves it.
  void finishTyping();

  // The player's text speed, in half steps a frame (2 the script's own pace, 0 whole at once), and
  // whether a click or the go-on key while a text is typing shows the rest of it instead of going on.
  void setSpeed(int halfSteps);
  void setClickCompletes(bool on) { clickCompletes_ = on; }
  bool clickCompletes() const { return clickCompletes_; }

 private:
  // Calls visit with each text layer in the program's order.
  template <class Visit>
  void forEach(Visit&& visit) const;

  const Program& program_;
  Scene& scene_;
  bool clickCompletes_ = false;
};

}  // namespace tavrik
