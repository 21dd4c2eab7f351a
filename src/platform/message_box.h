#pragma once

#include <string_view>

namespace tavrik {

class DisplayWindow;

enum class BoxButtons { Ok, OkCancel };
enum class BoxAnswer { Ok, Cancel };

// Shows a message box (UTF-8 caption and text) owned by window, or by no window. Without a display the
// caption and text go to standard error and the answer is OK.
BoxAnswer showMessageBox(DisplayWindow* owner, bool haveDisplay, std::string_view caption,
                         std::string_view text, BoxButtons buttons);

}  // namespace tavrik
