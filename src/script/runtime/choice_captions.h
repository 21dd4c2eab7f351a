// What a reader says of a choice: each visible button's caption, in the order the keyboard moves over
// them. Self-voicing reads these when a choice wait begins, as a screen reader would read buttons.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tavrik {

class ScriptEngine;

// The captions of the visible choice buttons in reading order (Shift-JIS): a clickable text layer's
// text; for a picture button, the text of a text layer whose characters start on it, or else the
// button layer's declared name.
std::vector<std::string> choiceCaptions(ScriptEngine& engine);
// Whether a text layer is a clickable one, or its characters start on a picture button (shown or not):
// its text is that button's caption, said with the choice rather than as text shown.
bool isButtonCaption(ScriptEngine& engine, std::int32_t textLayer);

}  // namespace tavrik
