#include "platform/menu_bar.h"

#include <SDL.h>
#include <fcntl.h>
#include <imgui.h>
#include <imgui_impl_sdl.h>
#include <imgui_impl_sdlrenderer.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/display_window.h"

namespace tavrik {

namespace {

constexpr float kFontSize = 16.0f;
// Repaints after an event, so that hover and open menus settle.
constexpr int kRepaintFrames = 3;

}  // namespace

std::string displayLabel(const std::string& label) {
  std::string out;
  for (std::size_t i = 0; i < label.size(); ++i) {
    if (label[i] == '&' && i + 1 < label.size() && label[i + 1] != '&') continue;
    out += label[i];
  }
  return out;
}

MenuBar::MenuBar(DisplayWindow& window) : window_(window) {}

std::unique_ptr<MenuBar> MenuBar::create(DisplayWindow& window, const std::vector<MenuPopup>& menus,
                                         const std::string& fontFile, int fontIndex) {
  if (fontFile.empty()) return nullptr;
  std::unique_ptr<MenuBar> bar(new MenuBar(window));
  bar->menus_ = menus;

  IMGUI_CHECKVERSION();
  ImGui::CreateContext();
  ImGuiIO& io = ImGui::GetIO();
  io.IniFilename = nullptr;  // nothing of the menu's state is kept on disk
  io.LogFilename = nullptr;
  io.ConfigFlags |= ImGuiConfigFlags_NavEnableKeyboard;
  ImGui::StyleColorsLight();
  ImGuiStyle& style = ImGui::GetStyle();
  style.WindowRounding = 0;
  style.PopupRounding = 0;
  // The bar is exactly kHeight tall: the font plus the frame padding, no extra safe-area band.
  style.DisplaySafeAreaPadding = ImVec2(0, 0);
  style.FramePadding.y = (kHeight - kFontSize) / 2;

  // Only the characters of the labels: a full Japanese atlas would cost about 30 MB and start-up time.
  ImFontGlyphRangesBuilder builder;
  builder.AddText(" ?.0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz()&/-");
  for (const MenuPopup& popup : menus) {
    builder.AddText(popup.label.c_str());
    for (const MenuItem& item : popup.items) builder.AddText(item.label.c_str());
  }
  static ImVector<ImWchar> ranges;
  ranges.clear();
  builder.BuildRanges(&ranges);
  // The font file is mapped, not read: the atlas needs a few of its tables and glyphs, not all of its
  // megabytes, and is built at once so the mapping can go.
  const int fd = ::open(fontFile.c_str(), O_RDONLY | O_CLOEXEC);
  struct stat info {};
  void* mapped = MAP_FAILED;
  if (fd >= 0 && ::fstat(fd, &info) == 0 && info.st_size > 0)
    mapped = ::mmap(nullptr, static_cast<std::size_t>(info.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
  if (fd >= 0) ::close(fd);
  if (mapped == MAP_FAILED) {
    ImGui::DestroyContext();
    return nullptr;
  }
  ImFontConfig config;
  config.FontNo = fontIndex;
  config.OversampleH = 1;
  config.PixelSnapH = true;
  // An atlas that does not own its font data copies all of it first (megabytes of a Japanese font,
  // most of the menu's start-up time); one that owns it uses it where it is. It is handed back before
  // the atlas could free it: the mapping is ours.
  config.FontDataOwnedByAtlas = true;
  const bool added = io.Fonts->AddFontFromMemoryTTF(mapped, static_cast<int>(info.st_size), kFontSize,
                                                    &config, ranges.Data) != nullptr &&
                     io.Fonts->Build();
  for (ImFontConfig& font : io.Fonts->ConfigData) font.FontDataOwnedByAtlas = false;
  io.Fonts->ClearInputData();
  ::munmap(mapped, static_cast<std::size_t>(info.st_size));
  if (!added) {
    ImGui::DestroyContext();
    return nullptr;
  }
  ImGui_ImplSDL2_InitForSDLRenderer(window.sdlWindow());
  ImGui_ImplSDLRenderer_Init(window.renderer());
  window.setTopMargin(kHeight);
  MenuBar* raw = bar.get();
  window.setOverlay([raw] { raw->draw(); });
  return bar;
}

MenuBar::~MenuBar() {
  window_.setOverlay(nullptr);
  ImGui_ImplSDLRenderer_Shutdown();
  ImGui_ImplSDL2_Shutdown();
  ImGui::DestroyContext();
}

bool MenuBar::processEvent(const void* sdlEvent) {
  const auto& e = *static_cast<const SDL_Event*>(sdlEvent);
  ImGui_ImplSDL2_ProcessEvent(&e);
  const ImGuiIO& io = ImGui::GetIO();
  bool taken = false;
  switch (e.type) {
    case SDL_MOUSEMOTION:
      repaintFrames_ = kRepaintFrames;
      cursorInBand_ = e.motion.y < kHeight;
      taken = cursorInBand_ && shown_;
      break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
    case SDL_MOUSEWHEEL:
      repaintFrames_ = kRepaintFrames;
      taken = (shown_ && e.button.y < kHeight) || engaged_ || (shown_ && io.WantCaptureMouse);
      break;
    case SDL_KEYDOWN:
    case SDL_KEYUP:
    case SDL_TEXTINPUT:
      if (e.type != SDL_TEXTINPUT && (e.key.keysym.sym == SDLK_LALT || e.key.keysym.sym == SDLK_RALT))
        repaintFrames_ = kRepaintFrames;
      taken = engaged_;
      if (taken) repaintFrames_ = kRepaintFrames;
      break;
    default:
      break;
  }
  return taken;
}

void MenuBar::focusWithKeyboard() {
  // The bar takes the keyboard the way a lone Alt press does.
  pendingAlt_ = 2;
  repaintFrames_ = kRepaintFrames + 2;
}

bool MenuBar::engaged() const {
  return engaged_;
}

void MenuBar::draw() {
  ImGuiIO& io = ImGui::GetIO();
  if (pendingAlt_ > 0) {
    io.KeyAlt = pendingAlt_ == 2;
    --pendingAlt_;
  }
  ImGui_ImplSDLRenderer_NewFrame();
  ImGui_ImplSDL2_NewFrame();
  ImGui::NewFrame();
  bool anyOpen = false;
  if (shown_ && ImGui::BeginMainMenuBar()) {
    const float maxHeight = io.DisplaySize.y - static_cast<float>(kHeight) - 8.0f;
    for (const MenuPopup& popup : menus_) {
      ImGui::SetNextWindowSizeConstraints(ImVec2(0, 0), ImVec2(io.DisplaySize.x, maxHeight));
      if (ImGui::BeginMenu(displayLabel(popup.label).c_str())) {
        anyOpen = true;
        for (const MenuItem& item : popup.items) {
          if (ImGui::MenuItem(displayLabel(item.label).c_str(), nullptr, item.checked))
            commands_.push_back(item.command);
        }
        ImGui::EndMenu();
      }
    }
    ImGui::EndMainMenuBar();
  }
  // The keyboard is in the bar when a menu is open or Alt moved the navigation to it.
  engaged_ = anyOpen || (io.NavActive && io.NavVisible);
  if (engaged_) repaintFrames_ = kRepaintFrames;
  ImGui::Render();
  ImGui_ImplSDLRenderer_RenderDrawData(ImGui::GetDrawData());
  if (repaintFrames_ > 0) --repaintFrames_;
}

std::vector<int> MenuBar::takeCommands() {
  std::vector<int> out;
  out.swap(commands_);
  return out;
}

}  // namespace tavrik
