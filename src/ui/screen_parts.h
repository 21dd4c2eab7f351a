// What the player's screens share in how they are drawn: the window of a screen, the close button's
// label, the highlight of the item the keyboard is on. Used by the screens' sources only.
#pragma once

#include <imgui.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>

#include "base/messages.h"
#include "base/theme_file.h"
#include "ui/look.h"
#include "ui/screen.h"

namespace tavrik::screen_parts {

// The close button's label beside its key cap.
inline const std::string kCloseAction = ja(MessageId::ScreenCloseAction);

inline ScreenRect lastItemRect() {
  const ImVec2 min = ImGui::GetItemRectMin(), max = ImGui::GetItemRectMax();
  return {min.x, min.y, max.x, max.y};
}

// A rounded panel filled with colour, in pieces that do not overlap: three rectangles, which the
// software renderer fills as fast as it copies, and four small quarter discs for the corners. Dear
// ImGui's own rounded fill is one fan of triangles across the whole panel, which that renderer fills
// pixel by pixel, several times slower.
inline void roundedPanel(ImDrawList* draw, ImVec2 min, ImVec2 max, ImU32 colour, float radius) {
  radius = std::floor(std::min({radius, (max.x - min.x) / 2, (max.y - min.y) / 2}));
  if (radius < 1) {
    draw->AddRectFilled(min, max, colour);
    return;
  }
  draw->AddRectFilled(ImVec2(min.x + radius, min.y), ImVec2(max.x - radius, max.y), colour);
  draw->AddRectFilled(ImVec2(min.x, min.y + radius), ImVec2(min.x + radius, max.y - radius), colour);
  draw->AddRectFilled(ImVec2(max.x - radius, min.y + radius), ImVec2(max.x, max.y - radius), colour);
  // Without smoothed edges: a smoothed edge along a corner's straight sides would lie over the
  // rectangles beside it, darkening a translucent panel along a seam.
  const ImDrawListFlags flags = draw->Flags;
  draw->Flags &= ~ImDrawListFlags_AntiAliasedFill;
  constexpr float kPi = 3.14159265f;
  const ImVec2 centres[4] = {{min.x + radius, min.y + radius},
                             {max.x - radius, min.y + radius},
                             {max.x - radius, max.y - radius},
                             {min.x + radius, max.y - radius}};
  for (int corner = 0; corner < 4; ++corner) {
    const float from = kPi + static_cast<float>(corner) * kPi / 2;
    draw->PathLineTo(centres[corner]);
    draw->PathArcTo(centres[corner], radius, from, from + kPi / 2, 6);
    draw->PathFillConvex(colour);
  }
  draw->Flags = flags;
}

// Draws the current window's background as a rounded panel, behind every window (its title bar
// included): for windows begun without their own (ImGuiWindowFlags_NoBackground).
inline void windowPanel() {
  const ImVec2 at = ImGui::GetWindowPos(), size = ImGui::GetWindowSize();
  roundedPanel(ImGui::GetBackgroundDrawList(), at, ImVec2(at.x + size.x, at.y + size.y),
               ImGui::GetColorU32(ImGuiCol_WindowBg), ImGui::GetStyle().WindowRounding);
}

// The screen's window: the size of the game's screen less a margin, centred in the overlay, over the
// dimmed game (and the theme's backdrop), faded in as far as the look says.
inline bool beginScreen(const char* title, float width, float height, bool titleBar = true) {
  const ImGuiIO& io = ImGui::GetIO();
  const Look& l = look();
  ImDrawList* behind = ImGui::GetBackgroundDrawList();
  if (l.backdrop)
    behind->AddImage(static_cast<ImTextureID>(l.backdrop), ImVec2(0, 0), io.DisplaySize, ImVec2(0, 0),
                     ImVec2(1, 1), IM_COL32(255, 255, 255, static_cast<int>(255 * l.fade)));
  behind->AddRectFilled(ImVec2(0, 0), io.DisplaySize,
                        IM_COL32(0, 0, 0, static_cast<int>(255 * kGameDimming * l.fade)));
  ImGui::SetNextWindowPos(ImVec2(io.DisplaySize.x * 0.5f, io.DisplaySize.y * 0.5f), ImGuiCond_Always,
                          ImVec2(0.5f, 0.5f));
  ImGui::SetNextWindowSize(ImVec2(std::min(width, io.DisplaySize.x), std::min(height, io.DisplaySize.y)),
                           ImGuiCond_Always);
  ImGui::SetNextWindowFocus();
  const ImGuiWindowFlags flags = ImGuiWindowFlags_NoBackground | ImGuiWindowFlags_NoResize |
                                 ImGuiWindowFlags_NoMove | ImGuiWindowFlags_NoCollapse |
                                 ImGuiWindowFlags_NoSavedSettings | ImGuiWindowFlags_NoNav |
                                 ImGuiWindowFlags_NoScrollbar | ImGuiWindowFlags_NoScrollWithMouse |
                                 (titleBar ? ImGuiWindowFlags_None : ImGuiWindowFlags_NoTitleBar);
  ImGui::PushStyleVar(ImGuiStyleVar_Alpha, l.fade);
  const bool open = ImGui::Begin(title, nullptr, flags);
  windowPanel();
  ImGui::PopStyleVar();
  return open;
}

// A button that stands out while the keyboard is on it: the accent, as the item Return would take.
inline void focusFrame(bool focused) {
  if (!focused) return;
  const ImVec2 min = ImGui::GetItemRectMin(), max = ImGui::GetItemRectMax();
  ImGui::GetWindowDrawList()->AddRect(ImVec2(min.x - 1, min.y - 1), ImVec2(max.x + 1, max.y + 1),
                                      look().accent, ImGui::GetStyle().FrameRounding + 1, 0, 2.0f);
}

// A button with its key beside its label, drawn as a key cap ("Esc", "Return"); focused, it is filled
// with the accent. True when clicked.
inline bool actionButton(const std::string& label, const char* key, float width, bool focused = false) {
  const Look& l = look();
  if (focused) {
    ImGui::PushStyleColor(ImGuiCol_Button, ImGui::ColorConvertU32ToFloat4(l.accent));
    ImGui::PushStyleColor(ImGuiCol_Text, ImGui::ColorConvertU32ToFloat4(l.onAccent));
  }
  const std::string id = label + "##" + key;
  const ImVec2 keySize = ImGui::CalcTextSize(key);
  const float padding = ImGui::GetStyle().FramePadding.x;
  ImGui::PushStyleVar(ImGuiStyleVar_ButtonTextAlign, ImVec2(0.0f, 0.5f));
  const bool clicked = ImGui::Button(id.c_str(), ImVec2(width, 0));
  ImGui::PopStyleVar();
  const ImVec2 min = ImGui::GetItemRectMin(), max = ImGui::GetItemRectMax();
  const ImVec2 capMin(max.x - padding - keySize.x - 8, min.y + 4), capMax(max.x - padding, max.y - 4);
  ImDrawList* draw = ImGui::GetWindowDrawList();
  const ImU32 ink = focused ? l.onAccent : l.faint;
  draw->AddRect(capMin, capMax, ink, 4.0f, 0, 1.0f);
  draw->AddText(ImVec2(capMin.x + 4, min.y + (max.y - min.y - keySize.y) / 2), ink, key);
  if (focused) ImGui::PopStyleColor(2);
  return clicked;
}

// A key cap and what the key does, as text in a row of buttons.
inline void keyHint(const char* key, const std::string& what) {
  const Look& l = look();
  ImGui::AlignTextToFramePadding();
  const ImVec2 at = ImGui::GetCursorScreenPos();
  const ImVec2 keySize = ImGui::CalcTextSize(key);
  const float lineHeight = ImGui::GetFrameHeight();
  ImDrawList* draw = ImGui::GetWindowDrawList();
  draw->AddRect(ImVec2(at.x, at.y + 4), ImVec2(at.x + keySize.x + 8, at.y + lineHeight - 4), l.faint, 4.0f);
  draw->AddText(ImVec2(at.x + 4, at.y + (lineHeight - keySize.y) / 2), l.faint, key);
  ImGui::Dummy(ImVec2(keySize.x + 12, lineHeight));
  ImGui::SameLine(0, 0);
  ImGui::TextUnformatted(what.c_str());
}

inline ImU32 colourOf(std::uint32_t rgb) {
  return IM_COL32((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF, 255);
}

inline std::string percent(int value) {
  return std::to_string(value) + "%";
}

}  // namespace tavrik::screen_parts
