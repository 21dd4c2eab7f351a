// What the player's screens share in how they are drawn: the window of a screen, the close button's
// label, the highlight of the item the keyboard is on. Used by the screens' sources only.
#pragma once

#include <imgui.h>

#include <algorithm>
#include <cstdint>
#include <string>

#include "base/messages.h"
#include "ui/screen.h"

namespace tavrik::screen_parts {

inline const std::string kClose = ja(MessageId::ScreenClose);

inline ScreenRect lastItemRect() {
  const ImVec2 min = ImGui::GetItemRectMin(), max = ImGui::GetItemRectMax();
  return {min.x, min.y, max.x, max.y};
}

// The screen's window: the size of the game's screen less a margin, centred in the overlay, over a
// dimmed game.
inline bool beginScreen(const char* title, float width, float height, bool titleBar = true) {
  const ImGuiIO& io = ImGui::GetIO();
  ImGui::GetBackgroundDrawList()->AddRectFilled(ImVec2(0, 0), io.DisplaySize, IM_COL32(0, 0, 0, 128));
  ImGui::SetNextWindowPos(ImVec2(io.DisplaySize.x * 0.5f, io.DisplaySize.y * 0.5f), ImGuiCond_Always,
                          ImVec2(0.5f, 0.5f));
  ImGui::SetNextWindowSize(ImVec2(std::min(width, io.DisplaySize.x), std::min(height, io.DisplaySize.y)),
                           ImGuiCond_Always);
  ImGui::SetNextWindowFocus();
  const ImGuiWindowFlags flags =
      ImGuiWindowFlags_NoResize | ImGuiWindowFlags_NoMove | ImGuiWindowFlags_NoCollapse |
      ImGuiWindowFlags_NoSavedSettings | ImGuiWindowFlags_NoNav | ImGuiWindowFlags_NoScrollbar |
      ImGuiWindowFlags_NoScrollWithMouse | (titleBar ? ImGuiWindowFlags_None : ImGuiWindowFlags_NoTitleBar);
  return ImGui::Begin(title, nullptr, flags);
}

// A button that stands out while the keyboard is on it, as a default button does.
inline void focusFrame(bool focused) {
  if (!focused) return;
  const ImVec2 min = ImGui::GetItemRectMin(), max = ImGui::GetItemRectMax();
  ImGui::GetWindowDrawList()->AddRect(ImVec2(min.x - 1, min.y - 1), ImVec2(max.x + 1, max.y + 1),
                                      IM_COL32(40, 90, 200, 255), 0.0f, 0, 2.0f);
}

inline ImU32 colourOf(std::uint32_t rgb) {
  return IM_COL32((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF, 255);
}

inline std::string percent(int value) {
  return std::to_string(value) + "%";
}

}  // namespace tavrik::screen_parts
