#include "ui/notice.h"

#include <imgui.h>

#include <algorithm>
#include <cfloat>
#include <cmath>

#include "base/messages.h"
#include "platform/overlay.h"
#include "ui/screen_parts.h"

namespace tavrik {

using namespace screen_parts;

ScreenRect buildNoticePanel(const std::string& caption, const std::string& text) {
  const ImGuiIO& io = ImGui::GetIO();
  ImGui::SetNextWindowPos(ImVec2(io.DisplaySize.x * 0.5f, io.DisplaySize.y - 12), ImGuiCond_Always,
                          ImVec2(0.5f, 1.0f));
  ImGui::SetNextWindowSizeConstraints(ImVec2(300, 0), ImVec2(io.DisplaySize.x - 40, io.DisplaySize.y / 2));
  const ImGuiWindowFlags flags = ImGuiWindowFlags_NoResize | ImGuiWindowFlags_NoMove |
                                 ImGuiWindowFlags_NoCollapse | ImGuiWindowFlags_AlwaysAutoResize |
                                 ImGuiWindowFlags_NoSavedSettings | ImGuiWindowFlags_NoNav |
                                 ImGuiWindowFlags_NoFocusOnAppearing;
  ScreenRect close;
  if (ImGui::Begin((caption + "###notice").c_str(), nullptr, flags)) {
    ImGui::TextUnformatted(text.c_str());
    ImGui::Button(ja(MessageId::NoticeClose).c_str(), ImVec2(96, 0));
    close = lastItemRect();
  }
  ImGui::End();
  return close;
}

void buildCornerWord(const std::string& text, Corner corner, const ScreenRect& game) {
  const bool left = corner == Corner::TopLeft;
  ImGui::SetNextWindowPos(ImVec2(left ? game.left + 12 : game.right - 12, game.top + 12), ImGuiCond_Always,
                          ImVec2(left ? 0 : 1, 0));
  ImGui::SetNextWindowBgAlpha(0.8f);
  const ImGuiWindowFlags flags = ImGuiWindowFlags_NoDecoration | ImGuiWindowFlags_AlwaysAutoResize |
                                 ImGuiWindowFlags_NoSavedSettings | ImGuiWindowFlags_NoNav |
                                 ImGuiWindowFlags_NoInputs | ImGuiWindowFlags_NoFocusOnAppearing;
  if (ImGui::Begin(left ? "###toast" : "###indicator", nullptr, flags)) ImGui::TextUnformatted(text.c_str());
  ImGui::End();
}

}  // namespace tavrik
