#include "ui/look.h"

#include <imgui.h>

#include <algorithm>

namespace tavrik {

namespace {

Look current;

ImVec4 vec(std::uint32_t rgb, float opacity = 1) {
  return ImVec4(static_cast<float>((rgb >> 16) & 0xFF) / 255.0f,
                static_cast<float>((rgb >> 8) & 0xFF) / 255.0f, static_cast<float>(rgb & 0xFF) / 255.0f,
                opacity);
}

// The colour between a and b, t of the way to b.
std::uint32_t mix(std::uint32_t a, std::uint32_t b, double t) {
  return blendOver(b, a, t);
}

}  // namespace

const Look& look() {
  return current;
}

std::uint32_t rgba(std::uint32_t rgb, float opacity) {
  return ImGui::ColorConvertFloat4ToU32(vec(rgb, opacity));
}

void setBackdrop(OverlayImage backdrop) {
  current.backdrop = backdrop;
}

void setFade(float fade) {
  current.fade = std::clamp(fade, 0.0f, 1.0f);
}

void applyLook(const Theme& theme) {
  const float opacity = static_cast<float>(theme.panelOpacity) / 100.0f;
  // The panel as it can stand over the game: over the darkest and the brightest, dimmed.
  const std::array<std::uint32_t, 2> panels = panelsOverGame(theme);
  const std::uint32_t well = mix(theme.panel, theme.text, 0.08);
  // Quieter text is a little of the way to the panel, as far as it stays readable there.
  std::uint32_t faint = theme.text;
  for (double t : {0.35, 0.25, 0.15}) {
    const std::uint32_t tried = mix(theme.text, theme.panel, t);
    if (leastContrast(tried, panels) >= kLeastContrast &&
        contrastRatio(tried, blendOver(well, panels[1], opacity)) >= kLeastContrast) {
      faint = tried;
      break;
    }
  }
  const std::uint32_t onAccent =
      contrastRatio(0xFFFFFF, theme.accent) >= contrastRatio(0x101010, theme.accent) ? 0xFFFFFF : 0x101010;
  current.accent = rgba(theme.accent);
  current.onAccent = rgba(onAccent);
  current.text = rgba(theme.text);
  current.faint = rgba(faint);
  current.panel = rgba(theme.panel, opacity);
  current.well = rgba(well, opacity);
  current.outline = rgba(theme.text, 0.45f);
  // What cannot be done in a red that reads on the panel, else in the panel's text colour.
  constexpr std::uint32_t kWarning = 0xFF8A80;
  current.warning = rgba(leastContrast(kWarning, panels) >= kLeastContrast ? kWarning : theme.text);

  ImGuiStyle& style = ImGui::GetStyle();
  style.WindowRounding = 10;
  style.ChildRounding = 8;
  style.FrameRounding = 6;
  style.PopupRounding = 6;
  style.GrabRounding = 6;
  style.ScrollbarRounding = 6;
  style.WindowBorderSize = 1;
  style.PopupBorderSize = 1;
  style.FrameBorderSize = 0;
  style.WindowPadding = ImVec2(14, 12);
  style.FramePadding = ImVec2(10, 5);
  style.ItemSpacing = ImVec2(10, 8);
  style.WindowTitleAlign = ImVec2(0.5f, 0.5f);

  ImVec4* c = style.Colors;
  c[ImGuiCol_Text] = vec(theme.text);
  c[ImGuiCol_TextDisabled] = vec(faint);
  c[ImGuiCol_WindowBg] = vec(theme.panel, opacity);
  c[ImGuiCol_ChildBg] = ImVec4(0, 0, 0, 0);
  c[ImGuiCol_PopupBg] = vec(theme.panel, std::max(opacity, 0.97f));
  c[ImGuiCol_Border] = vec(theme.accent, 0.35f);
  c[ImGuiCol_BorderShadow] = ImVec4(0, 0, 0, 0);
  c[ImGuiCol_FrameBg] = vec(well, std::max(opacity, 0.9f));
  c[ImGuiCol_FrameBgHovered] = vec(mix(well, theme.accent, 0.25));
  c[ImGuiCol_FrameBgActive] = vec(mix(well, theme.accent, 0.4));
  c[ImGuiCol_TitleBg] = vec(mix(theme.panel, 0x000000, 0.25), std::max(opacity, 0.95f));
  c[ImGuiCol_TitleBgActive] = c[ImGuiCol_TitleBg];
  c[ImGuiCol_TitleBgCollapsed] = c[ImGuiCol_TitleBg];
  c[ImGuiCol_MenuBarBg] = vec(mix(theme.panel, 0x000000, 0.2));
  c[ImGuiCol_ScrollbarBg] = ImVec4(0, 0, 0, 0);
  c[ImGuiCol_ScrollbarGrab] = vec(theme.text, 0.25f);
  c[ImGuiCol_ScrollbarGrabHovered] = vec(theme.accent, 0.6f);
  c[ImGuiCol_ScrollbarGrabActive] = vec(theme.accent);
  c[ImGuiCol_CheckMark] = vec(theme.accent);
  c[ImGuiCol_SliderGrab] = vec(theme.accent);
  c[ImGuiCol_SliderGrabActive] = vec(mix(theme.accent, 0xFFFFFF, 0.3));
  // Buttons and menu items: a quiet rest, the accent lighter under the pointer and strong when pressed.
  // Their text stays the panel's, which reads on the hover's mix; pressed, it is brief.
  c[ImGuiCol_Button] = vec(mix(well, theme.text, 0.06), std::max(opacity, 0.9f));
  c[ImGuiCol_ButtonHovered] = vec(mix(theme.panel, theme.accent, 0.35));
  c[ImGuiCol_ButtonActive] = vec(mix(theme.panel, theme.accent, 0.6));
  c[ImGuiCol_Header] = vec(mix(theme.panel, theme.accent, 0.3));
  c[ImGuiCol_HeaderHovered] = vec(mix(theme.panel, theme.accent, 0.35));
  c[ImGuiCol_HeaderActive] = vec(mix(theme.panel, theme.accent, 0.6));
  c[ImGuiCol_Separator] = vec(theme.text, 0.2f);
  c[ImGuiCol_SeparatorHovered] = vec(theme.accent, 0.6f);
  c[ImGuiCol_SeparatorActive] = vec(theme.accent);
  c[ImGuiCol_ResizeGrip] = ImVec4(0, 0, 0, 0);
  c[ImGuiCol_ResizeGripHovered] = ImVec4(0, 0, 0, 0);
  c[ImGuiCol_ResizeGripActive] = ImVec4(0, 0, 0, 0);
  c[ImGuiCol_Tab] = c[ImGuiCol_Button];
  c[ImGuiCol_TabHovered] = c[ImGuiCol_ButtonHovered];
  c[ImGuiCol_TabActive] = c[ImGuiCol_ButtonActive];
  // A bar's fill: the accent, darkened towards the panel as far as the text written over it needs.
  std::uint32_t fill = theme.accent;
  for (double t = 0.9; t >= 0.2 && contrastRatio(theme.text, fill) < kLeastContrast + 0.3; t -= 0.05)
    fill = mix(theme.panel, theme.accent, t);
  c[ImGuiCol_PlotHistogram] = vec(fill);
  c[ImGuiCol_TextSelectedBg] = vec(theme.accent, 0.35f);
  c[ImGuiCol_NavHighlight] = vec(theme.accent);
  c[ImGuiCol_ModalWindowDimBg] = ImVec4(0, 0, 0, static_cast<float>(kGameDimming));
}

}  // namespace tavrik
