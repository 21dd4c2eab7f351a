#include "script/runtime/choice_captions.h"

#include <cmath>

#include "base/sjis_text.h"
#include "scene/text_layer.h"
#include "script/runtime/script_engine.h"

namespace tavrik {

namespace {

bool isTextLayer(const ScriptEngine& engine, std::size_t index) {
  return engine.program().layers[index].kind == LayerKind::Text;
}

std::string textOf(const TextLayer& layer) {
  std::string out;
  for (const TextCharacter& c : layer.characters()) sjis::appendCharacter(out, c.code);
  return out;
}

// Whether the text layer's characters start on the picture of the button. (A text layer's own opacity
// says nothing: its characters show by their own actions.)
bool startsOn(const TextLayer& text, const SimpleLayer& button) {
  if (text.characters().empty()) return false;
  // A little inside the first character's corner, which a caption centred on its button is within.
  const auto px = static_cast<std::int32_t>(std::lround(text.x + static_cast<float>(text.originX()) + 2.0f));
  const auto py = static_cast<std::int32_t>(std::lround(text.y + static_cast<float>(text.originY()) + 2.0f));
  return button.covers(px, py);
}

}  // namespace

std::vector<std::string> choiceCaptions(ScriptEngine& engine) {
  const std::size_t count = engine.program().layers.size();
  std::vector<std::string> out;
  for (const SimpleLayer* button : engine.scene().buttonsInReadingOrder()) {
    std::size_t index = 0;
    while (index < count && &engine.layer(static_cast<std::int32_t>(index)) != button) ++index;
    if (index == count) continue;
    if (isTextLayer(engine, index)) {
      out.push_back(textOf(static_cast<const TextLayer&>(*button)));
      continue;
    }
    std::string caption;
    for (std::size_t t = 0; t < count && caption.empty(); ++t) {
      if (!isTextLayer(engine, t)) continue;
      const auto& text = static_cast<const TextLayer&>(engine.layer(static_cast<std::int32_t>(t)));
      if (!text.clickable() && startsOn(text, *button)) caption = textOf(text);
    }
    out.push_back(caption.empty() ? engine.program().layers[index].name : caption);
  }
  return out;
}

bool isButtonCaption(ScriptEngine& engine, std::int32_t textLayer) {
  if (textLayer < 0 || static_cast<std::size_t>(textLayer) >= engine.program().layers.size() ||
      !isTextLayer(engine, static_cast<std::size_t>(textLayer)))
    return false;
  const auto& text = static_cast<const TextLayer&>(engine.layer(textLayer));
  if (text.clickable()) return true;
  // A caption is most often shown before its button appears: every button counts, shown or not.
  for (std::size_t b = 0; b < engine.program().layers.size(); ++b) {
    const SimpleLayer& button = engine.layer(static_cast<std::int32_t>(b));
    if (button.clickable() && !isTextLayer(engine, b) && startsOn(text, button)) return true;
  }
  return false;
}

}  // namespace tavrik
