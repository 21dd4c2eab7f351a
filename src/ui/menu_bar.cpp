#include "ui/menu_bar.h"

#include <imgui.h>
#include <imgui_internal.h>

#include "platform/display_window.h"
#include "platform/overlay.h"

namespace tavrik {

namespace {

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

MenuBar::MenuBar(DisplayWindow& window, Overlay& overlay, const std::vector<MenuPopup>& menus)
    : overlay_(overlay) {
  setMenus(menus);
  window.setTopMargin(kHeight);
}

MenuBar::~MenuBar() = default;

void MenuBar::setMenus(const std::vector<MenuPopup>& menus) {
  menus_ = menus;
  for (const MenuPopup& popup : menus) {
    overlay_.addCharacters(popup.label);
    for (const MenuItem& item : popup.items) overlay_.addCharacters(item.label + item.shortcut);
  }
}

bool MenuBar::processEvent(const void* sdlEvent) {
  using Kind = OverlayEvent::Kind;
  using OKey = OverlayEvent::Key;
  const OverlayEvent e = describeOverlayEvent(sdlEvent);
  // On the bar itself Down opens the menu, as on the desktop the games were made for: Dear ImGui would
  // move its navigation instead, so it hears Space, which opens the menu, rather than Down.
  const bool isKey = e.kind == Kind::KeyDown || e.kind == Kind::KeyUp;
  // Esc closes the open menu and leaves the keyboard on its title in the bar; a second Esc leaves the
  // bar.
  if (e.kind == Kind::KeyDown && e.key == OKey::Escape && menuOpen_) {
    focusPending_ = true;
    focusMenu_ = openMenu_;
  }
  const bool downOpens = isKey && e.key == OKey::Down &&
                         ((engaged_ && !menuOpen_ && e.kind == Kind::KeyDown) ||
                          (e.kind == Kind::KeyUp && spaceFromDown_ && spaceFrom_ == e.scancode));
  if (!downOpens) overlay_.processEvent(sdlEvent);
  ImGuiIO& io = ImGui::GetIO();
  // A click over a window of the interface as it was last drawn (a menu, the debug view) is the
  // interface's; Dear ImGui's own wish for the mouse is a frame behind, and would keep a click on the game
  // for a window closed since. Over a screen of the application's own, the screen takes it.
  auto overInterface = [&](int x, int y) { return !screenOpen_ && overlay_.windowAt(x, y); };
  bool taken = false;
  switch (e.kind) {
    case Kind::Motion:
      repaintFrames_ = kRepaintFrames;
      cursorInBand_ = e.y < kHeight;
      taken = cursorInBand_ && shown_;
      break;
    case Kind::ButtonDown:
    case Kind::ButtonUp:
      repaintFrames_ = kRepaintFrames;
      taken = (shown_ && e.y < kHeight) || engaged_ || (shown_ && overInterface(e.x, e.y));
      break;
    case Kind::Wheel:
      repaintFrames_ = kRepaintFrames;
      taken = engaged_ || (shown_ && overInterface(e.x, e.y));
      break;
    case Kind::KeyDown:
    case Kind::KeyUp:
    case Kind::Text:
      if (e.kind != Kind::Text && e.key == OKey::Alt) repaintFrames_ = kRepaintFrames;
      // Keys typed into a field of the interface (the debug view's) are the field's.
      taken = engaged_ || io.WantTextInput;
      if (taken) repaintFrames_ = kRepaintFrames;
      // Return picks what the keyboard is on, as Space does for Dear ImGui's navigation. Space is let
      // go with the key that pressed it.
      if (e.kind != Kind::Text) {
        const bool picks = downOpens || e.key == OKey::Return;
        if (picks && e.kind == Kind::KeyDown && engaged_) {
          overlay_.setSpace(true);
          spaceFrom_ = e.scancode;
          spaceFromDown_ = e.key == OKey::Down;
        } else if (e.kind == Kind::KeyUp && spaceFrom_ != 0 && e.scancode == spaceFrom_) {
          overlay_.setSpace(false);
          spaceFrom_ = 0;
          spaceFromDown_ = false;
        }
      }
      break;
    default:
      break;
  }
  return taken;
}

void MenuBar::focusWithKeyboard() {
  focusPending_ = true;
  repaintFrames_ = kRepaintFrames + 2;
}

bool MenuBar::engaged() const {
  // The keyboard given to the bar engages it at once, so that it shows in full screen to take it.
  return engaged_ || focusPending_;
}

void MenuBar::build() {
  const ImGuiIO& io = ImGui::GetIO();
  bool anyOpen = false;
  // The bar is exactly kHeight tall: the font plus the frame padding. The boxes keep their own.
  ImGui::PushStyleVar(ImGuiStyleVar_FramePadding,
                      ImVec2(ImGui::GetStyle().FramePadding.x, (kHeight - Overlay::kFontSize) / 2));
  if (shown_ && ImGui::BeginMainMenuBar()) {
    if (focusPending_) {
      // The keyboard goes to the bar's layer of its window, on the first menu, as a lone Alt gives it
      // there on the desktop the games were made for.
      focusPending_ = false;
      focusSettling_ = 2;
      ImGuiContext& g = *ImGui::GetCurrentContext();
      ImGuiWindow* bar = ImGui::GetCurrentWindow();
      ImGui::FocusWindow(bar);
      g.NavLayer = ImGuiNavLayer_Menu;
      g.NavInputSource = ImGuiInputSource_Keyboard;
      if (focusMenu_ >= 0 && static_cast<std::size_t>(focusMenu_) < menus_.size())
        ImGui::SetFocusID(
            ImGui::GetID(displayLabel(menus_[static_cast<std::size_t>(focusMenu_)].label).c_str()), bar);
      else
        ImGui::NavInitWindow(bar, true);
      focusMenu_ = -1;
      g.NavDisableHighlight = false;
      g.NavDisableMouseHover = true;
    }
    const float maxHeight = io.DisplaySize.y - static_cast<float>(kHeight) - 8.0f;
    for (std::size_t m = 0; m < menus_.size(); ++m) {
      const MenuPopup& popup = menus_[m];
      ImGui::SetNextWindowSizeConstraints(ImVec2(0, 0), ImVec2(io.DisplaySize.x, maxHeight));
      if (ImGui::BeginMenu(displayLabel(popup.label).c_str())) {
        anyOpen = true;
        openMenu_ = static_cast<int>(m);
        for (const MenuItem& item : popup.items) {
          if (ImGui::MenuItem(displayLabel(item.label).c_str(),
                              item.shortcut.empty() ? nullptr : item.shortcut.c_str(), item.checked))
            commands_.push_back(item.command);
        }
        ImGui::EndMenu();
      }
    }
    ImGui::EndMainMenuBar();
  }
  ImGui::PopStyleVar();
  // The keyboard is in the bar when a menu is open or the navigation is on it.
  menuOpen_ = anyOpen;
  // The navigation is active from the frame after the bar took the keyboard: until then the bar stays
  // engaged, so that in full screen it goes on showing.
  engaged_ = anyOpen || (io.NavActive && io.NavVisible) || focusSettling_ > 0;
  if (focusSettling_ > 0) --focusSettling_;
  if (engaged_) repaintFrames_ = kRepaintFrames;
  if (repaintFrames_ > 0) --repaintFrames_;
}

std::vector<int> MenuBar::takeCommands() {
  std::vector<int> out;
  out.swap(commands_);
  return out;
}

}  // namespace tavrik
