// What shows over the running game without holding it: a report with a close button, and a word in a
// corner.
#pragma once

#include <string>

#include "ui/screen.h"

namespace tavrik {

// A report shown over the running game without stopping it (a reload's script error), at the bottom of
// the window; where its close button was drawn.
ScreenRect buildNoticePanel(const std::string& caption, const std::string& text);

// A word over a corner of the game that takes no input: a save's "saved" at the top left, the mode
// that runs the game ("skip", "auto") at the top right. game: where the game's picture is, in the
// overlay's pixels.
enum class Corner { TopLeft, TopRight };
void buildCornerWord(const std::string& text, Corner corner, const ScreenRect& game);

}  // namespace tavrik
