// What the player asks of the desktop: opening a page or file with the desktop's program, the
// window's icon.
#pragma once

#include <string>

namespace tavrik {

class DisplayWindow;

// Opens a web page or a file with the desktop's program; without a display it is only reported on
// standard error.
void openUrl(const std::string& url, bool haveDisplay);

// The window's icon from a picture file; nothing happens when it cannot be read.
void setWindowIcon(DisplayWindow& window, const std::string& nativePath);

}  // namespace tavrik
