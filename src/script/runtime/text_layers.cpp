#include "script/runtime/text_layers.h"

#include "scene/scene.h"
#include "scene/text_layer.h"
#include "script/compiler/program.h"

namespace tavrik {

template <class Visit>
void TextLayers::forEach(Visit&& visit) const {
  // Only the program's declarations say which layers are text layers; the scene holds them all alike.
  for (std::size_t i = 0; i < program_.layers.size(); ++i) {
    if (program_.layers[i].kind == LayerKind::Text) visit(static_cast<TextLayer&>(*scene_.layers()[i]));
  }
}

bool TextLayers::typed() const {
  bool typed = true;
  forEach([&](const TextLayer& text) {
    for (const TextCharacter& c : text.characters()) typed = typed && c.step >= 0;
  });
  return typed;
}

std::size_t TextLayers::shownCharacters() const {
  std::size_t count = 0;
  forEach([&](const TextLayer& text) {
    for (const TextCharacter& c : text.characters()) count += c.drawn() ? 1 : 0;
  });
  return count;
}

void TextLayers::renderGlyphs() {
  forEach([](TextLayer& text) { text.renderGlyphs(); });
}

void TextLayers::finishTyping() {
  forEach([](TextLayer& text) {
    for (TextCharacter& c : text.characters()) c.settle();
  });
}

void TextLayers::setSpeed(int halfSteps) {
  scene_.setTextPace(halfSteps);
}

}  // namespace tavrik
