#include "ui/menu_screen.h"

#include <imgui.h>

#include "ui/screen_parts.h"

namespace tavrik {

using namespace screen_parts;

namespace {

// A label as a reader says it: "セーブ(&S)" is "セーブ".
std::string spokenLabel(const std::string& label) {
  const std::size_t mark = label.find("(&");
  if (mark != std::string::npos && label.size() >= mark + 4 && label[mark + 3] == ')')
    return label.substr(0, mark) + label.substr(mark + 4);
  return displayLabel(label);
}

}  // namespace

void MenuScreen::turn(int step) {
  const int count = static_cast<int>(menus_.size());
  menu_ = ((menu_ + step) % count + count) % count;
  item_ = 0;
  turned_ = true;
  // Where the last menu's items were drawn is no longer where this one's are: until it is drawn, the
  // pointer finds none.
  rects_.clear();
}

ScreenAction MenuScreen::key(Key key) {
  if (key == Key::Escape || menus_.empty())
    return key == Key::Escape ? ScreenAction::close() : ScreenAction{};
  const int count = static_cast<int>(items().size());
  turned_ = false;
  switch (key) {
    case Key::Up:
      if (count > 0) item_ = (item_ + count - 1) % count;
      return {};
    case Key::Down:
    case Key::Tab:
      if (count > 0) item_ = (item_ + 1) % count;
      return {};
    case Key::Left:
    case Key::Right:
      turn(key == Key::Left ? -1 : 1);
      return {};
    case Key::Return:
    case Key::Space:
      if (count == 0) return {};
      return ScreenAction::runCommand(items()[static_cast<std::size_t>(item_)].command);
    default:
      return {};
  }
}

void MenuScreen::pointer(int x, int y) {
  for (std::size_t i = 0; i < rects_.size() && i < items().size(); ++i)
    if (rects_[i].contains(x, y)) item_ = static_cast<int>(i);
}

ScreenAction MenuScreen::click(int x, int y) {
  if (closeRect_.contains(x, y)) return ScreenAction::close();
  for (std::size_t i = 0; i < rects_.size() && i < items().size(); ++i)
    if (rects_[i].contains(x, y)) return ScreenAction::runCommand(items()[i].command);
  return {};
}

std::string MenuScreen::focusWords() const {
  if (menus_.empty()) return {};
  // Said without the access key's letter, which only a keyboard has use for.
  const std::string title = turned_ ? spokenLabel(menus_[static_cast<std::size_t>(menu_)].label) + " " : "";
  if (items().empty()) return title;
  const MenuItem& item = items()[static_cast<std::size_t>(item_)];
  return title + spokenLabel(item.label) + (item.checked ? " " + ja(MessageId::SettingsOn) : "");
}

std::string MenuScreen::characters() const {
  std::string out = "●◀▶" + kCloseAction;
  for (const MenuPopup& menu : menus_) {
    out += menu.label;
    for (const MenuItem& item : menu.items) out += item.label + item.shortcut;
  }
  return out;
}

void MenuScreen::build() {
  if (menus_.empty()) return;
  const MenuPopup& menu = menus_[static_cast<std::size_t>(menu_)];
  rects_.assign(menu.items.size(), ScreenRect{});
  const float height = 90.0f + 30.0f * static_cast<float>(menu.items.size());
  // The title names the menu and the ones to either side, which Left and Right turn to.
  const std::string title = "◀ " + displayLabel(menu.label) + " ▶###menu";
  if (beginScreen(title.c_str(), 400, height)) {
    ImGui::PushStyleVar(ImGuiStyleVar_ButtonTextAlign, ImVec2(0.0f, 0.5f));
    for (std::size_t i = 0; i < menu.items.size(); ++i) {
      const MenuItem& item = menu.items[i];
      ImGui::PushID(static_cast<int>(i));
      const std::string label = (item.checked ? "● " : "   ") + displayLabel(item.label);
      ImGui::Button(label.c_str(), ImVec2(-1, 26));
      rects_[i] = lastItemRect();
      focusFrame(static_cast<int>(i) == item_);
      // A long menu (the fonts installed) scrolls to keep the highlight in sight.
      if (static_cast<int>(i) == item_) ImGui::SetScrollHereY(0.5f);
      if (!item.shortcut.empty()) {
        // The key that does the same, at the right of the item, as the bar's menu shows it.
        const ImVec2 size = ImGui::CalcTextSize(item.shortcut.c_str());
        ImGui::GetWindowDrawList()->AddText(
            ImVec2(rects_[i].right - size.x - 10, (rects_[i].top + rects_[i].bottom - size.y) / 2),
            ImGui::GetColorU32(ImGuiCol_TextDisabled), item.shortcut.c_str());
      }
      ImGui::PopID();
    }
    ImGui::PopStyleVar();
    ImGui::Spacing();
    actionButton(kCloseAction, "Esc", 130);
    closeRect_ = lastItemRect();
  }
  ImGui::End();
}

}  // namespace tavrik
