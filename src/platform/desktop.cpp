#include "platform/desktop.h"

#include <SDL.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string_view>

#include "base/messages.h"
#include "base/script_path.h"
#include "base/terminal_text.h"

#include "platform/display_window.h"
#include "platform/image_library.h"

namespace tavrik {

bool programOnPath(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::string_view folders = path ? path : "";
  while (true) {
    const std::size_t colon = folders.find(':');
    // An empty entry is the current folder, as the shell takes it.
    const std::string_view folder = folders.substr(0, colon);
    const std::filesystem::path candidate = std::filesystem::path(folder.empty() ? "." : folder) / name;
    struct stat info {};
    if (::stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
        ::access(candidate.c_str(), X_OK) == 0)
      return true;
    if (colon == std::string_view::npos) return false;
    folders.remove_prefix(colon + 1);
  }
}

bool openUrl(const std::string& url, bool haveDisplay) {
  if (!haveDisplay) {
    std::fprintf(stderr, "tavrik: %s\n", en(MessageId::UrlShown, {terminalText(url)}).c_str());
    return true;
  }
#if defined(__EMSCRIPTEN__)
  // In a page the player's own files (the manual) are served beside it, and SDL opens a new tab.
  std::string shown = url;
  const std::string own = "file://" + paths::moduleDirectoryNative().string() + "/";
  if (shown.rfind(own, 0) == 0) shown.erase(0, own.size());
  if (SDL_OpenURL(shown.c_str()) != 0) {
    std::fprintf(stderr, "tavrik: %s\n",
                 en(MessageId::UrlNotOpened, {terminalText(url), SDL_GetError()}).c_str());
    return false;
  }
  return true;
#endif
  // SDL starts the desktop's program in a child and reports success whether or not it could run.
  if (!programOnPath("xdg-open")) {
    std::fprintf(stderr, "tavrik: %s\n", en(MessageId::UrlNoOpener, {terminalText(url)}).c_str());
    return false;
  }
  if (SDL_OpenURL(url.c_str()) != 0) {
    std::fprintf(stderr, "tavrik: %s\n",
                 en(MessageId::UrlNotOpened, {terminalText(url), SDL_GetError()}).c_str());
    return false;
  }
  return true;
}

void setWindowIcon(DisplayWindow& window, const std::string& nativePath) {
  const ImageLibrary* codecs = imageLibrary();
  if (SDL_Surface* icon = codecs ? codecs->load(nativePath.c_str()) : nullptr) {
    SDL_SetWindowIcon(window.sdlWindow(), icon);
    SDL_FreeSurface(icon);
  }
}

bool setClipboardText(const std::string& utf8) {
  return SDL_WasInit(SDL_INIT_VIDEO) && SDL_SetClipboardText(utf8.c_str()) == 0;
}

}  // namespace tavrik
