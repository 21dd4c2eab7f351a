// What the player asks of the desktop: opening a page or file with the desktop's program, the
// window's icon.
#pragma once

#include <string>

namespace tavrik {

class DisplayWindow;

// Opens a web page or a file with the desktop's program (xdg-open), without waiting for it; without a
// display it is only reported on standard error. False, with the reason on standard error, when the
// desktop's program is not on the PATH or cannot be started.
bool openUrl(const std::string& url, bool haveDisplay);
// Puts UTF-8 text on the desktop's clipboard (a window's; there is none without one). False when it
// could not.
bool setClipboardText(const std::string& utf8);

// Whether a program of that name is an executable file in one of the PATH's folders.
bool programOnPath(const std::string& name);

// The window's icon from a picture file; nothing happens when it cannot be read.
void setWindowIcon(DisplayWindow& window, const std::string& nativePath);

}  // namespace tavrik
