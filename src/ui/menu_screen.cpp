#include "ui/menu_screen.h"

#include <imgui.h>

#include "ui/screen_parts.h"

namespace tavrik {

using namespace screen_parts;

ScreenAction MenuScreen::key(Key key) {
  const int count = static_cast<int>(menu_.items.size());
  if (key == Key::Escape || count == 0) return key == Key::Escape ? ScreenAction::close() : ScreenAction{};
  switch (key) {
    case Key::Up:
      item_ = (item_ + count - 1) % count;
      return {};
    case Key::Down:
    case Key::Tab:
      item_ = (item_ + 1) % count;
      return {};
    case Key::Return:
    case Key::Space:
      return ScreenAction::runCommand(menu_.items[static_cast<std::size_t>(item_)].command);
    default:
      return {};
  }
}

void MenuScreen::pointer(int x, int y) {
  for (std::size_t i = 0; i < rects_.size(); ++i)
    if (rects_[i].contains(x, y)) item_ = static_cast<int>(i);
}

ScreenAction MenuScreen::click(int x, int y) {
  if (closeRect_.contains(x, y)) return ScreenAction::close();
  for (std::size_t i = 0; i < rects_.size(); ++i)
    if (rects_[i].contains(x, y)) return ScreenAction::runCommand(menu_.items[i].command);
  return {};
}

std::string MenuScreen::focusWords() const {
  if (menu_.items.empty()) return {};
  return displayLabel(menu_.items[static_cast<std::size_t>(item_)].label);
}

std::string MenuScreen::characters() const {
  std::string out = menu_.label + "●" + kClose;
  for (const MenuItem& item : menu_.items) out += item.label + item.shortcut;
  return out;
}

void MenuScreen::build() {
  const float height = 90.0f + 30.0f * static_cast<float>(menu_.items.size());
  if (beginScreen((displayLabel(menu_.label) + "###menu").c_str(), 360, height)) {
    ImGui::PushStyleVar(ImGuiStyleVar_ButtonTextAlign, ImVec2(0.0f, 0.5f));
    for (std::size_t i = 0; i < menu_.items.size(); ++i) {
      const MenuItem& item = menu_.items[i];
      ImGui::PushID(static_cast<int>(i));
      const std::string label = (item.checked ? "● " : "   ") + displayLabel(item.label);
      ImGui::Button(label.c_str(), ImVec2(-1, 26));
      rects_[i] = lastItemRect();
      focusFrame(static_cast<int>(i) == item_);
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
    ImGui::Button(kClose.c_str(), ImVec2(120, 0));
    closeRect_ = lastItemRect();
  }
  ImGui::End();
}

}  // namespace tavrik
