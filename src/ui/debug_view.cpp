#include "ui/debug_view.h"

#include <imgui.h>

#include <algorithm>
#include <cstdio>

#include "base/messages.h"

namespace tavrik {

namespace {

void objectRow(const DebugObject& o, bool sound) {
  const AnimationState& s = o.state;
  ImGui::TableNextRow();
  ImGui::TableNextColumn();
  ImGui::TextUnformatted(o.nameUtf8.c_str());
  ImGui::TableNextColumn();
  ImGui::TextUnformatted(o.fileUtf8.empty() ? "-" : o.fileUtf8.c_str());
  ImGui::TableNextColumn();
  if (sound)
    ImGui::Text("VOL %.2f", static_cast<double>(s.vol));
  else
    ImGui::Text("X %.1f Y %.1f W %.2f H %.2f T %.2f A %.2f RGB %.2f %.2f %.2f", static_cast<double>(s.x),
                static_cast<double>(s.y), static_cast<double>(s.w), static_cast<double>(s.h),
                static_cast<double>(s.t), static_cast<double>(s.a), static_cast<double>(s.r),
                static_cast<double>(s.g), static_cast<double>(s.b));
  ImGui::TableNextColumn();
  if (o.actionUtf8.empty())
    ImGui::TextUnformatted("-");
  else
    ImGui::Text("%s %d%s", o.actionUtf8.c_str(), s.step, s.finished ? " END" : "");
}

void objectTable(const char* id, const std::vector<DebugObject>& objects, bool sound) {
  const ImGuiTableFlags flags =
      ImGuiTableFlags_Borders | ImGuiTableFlags_RowBg | ImGuiTableFlags_SizingFixedFit;
  if (!ImGui::BeginTable(id, 4, flags)) return;
  ImGui::TableSetupColumn(ja(MessageId::DebugName).c_str());
  ImGui::TableSetupColumn(ja(sound ? MessageId::DebugSound : MessageId::DebugPicture).c_str());
  ImGui::TableSetupColumn(ja(MessageId::DebugAttributes).c_str());
  ImGui::TableSetupColumn(ja(MessageId::DebugActionStep).c_str());
  ImGui::TableHeadersRow();
  for (const DebugObject& o : objects) objectRow(o, sound);
  ImGui::EndTable();
}

}  // namespace

std::string DebugView::characters(const DebugSnapshot& snapshot) {
  std::string out;
  for (const MessageId id :
       {MessageId::DebugTitle, MessageId::DebugVariables, MessageId::DebugLayers, MessageId::DebugChannels,
        MessageId::DebugName, MessageId::DebugPicture, MessageId::DebugSound, MessageId::DebugAttributes,
        MessageId::DebugActionStep, MessageId::DebugPause, MessageId::DebugResume, MessageId::DebugStep})
    out += ja(id);
  // The status line's words without its values (placeholders left in would ask for braces), and the
  // variables' steppers.
  out += ja(MessageId::DebugStatus, {"", "", ""}) + "+-";
  out += snapshot.placeUtf8;
  for (const auto& [name, value] : snapshot.variables) out += name;
  for (const auto* list : {&snapshot.layers, &snapshot.channels}) {
    for (const DebugObject& o : *list) out += o.nameUtf8 + o.fileUtf8 + o.actionUtf8;
  }
  return out;
}

DebugRequest DebugView::build(const DebugSnapshot& snapshot) {
  DebugRequest request;
  const ImGuiIO& io = ImGui::GetIO();
  variableRects_.clear();
  ImGui::SetNextWindowPos(ImVec2(io.DisplaySize.x - kMargin, kTop), ImGuiCond_FirstUseEver, ImVec2(1, 0));
  ImGui::SetNextWindowSize(ImVec2(kWidth, 460), ImGuiCond_FirstUseEver);
  ImGui::SetNextWindowBgAlpha(0.92f);
  if (ImGui::Begin((ja(MessageId::DebugTitle) + "###debug").c_str(), nullptr,
                   ImGuiWindowFlags_NoSavedSettings | ImGuiWindowFlags_NoCollapse)) {
    char milliseconds[32];
    std::snprintf(milliseconds, sizeof milliseconds, "%.1f", snapshot.frameMilliseconds);
    ImGui::Text("%s",
                ja(MessageId::DebugStatus, {snapshot.placeUtf8, std::to_string(snapshot.frame), milliseconds})
                    .c_str());
    if (ImGui::Button(ja(snapshot.paused ? MessageId::DebugResume : MessageId::DebugPause).c_str()))
      request.togglePause = true;
    ImGui::SameLine();
    if (ImGui::Button(ja(MessageId::DebugStep).c_str())) request.step = true;
    if (ImGui::CollapsingHeader(ja(MessageId::DebugVariables).c_str(), ImGuiTreeNodeFlags_DefaultOpen)) {
      for (std::size_t i = 0; i < snapshot.variables.size(); ++i) {
        float value = snapshot.variables[i].second;
        ImGui::PushID(static_cast<int>(i));
        ImGui::SetNextItemWidth(140);
        if (ImGui::InputFloat(snapshot.variables[i].first.c_str(), &value, 1.0f, 10.0f, "%g",
                              ImGuiInputTextFlags_EnterReturnsTrue))
          request.setVariable = std::pair{static_cast<int>(i), value};
        const ImVec2 min = ImGui::GetItemRectMin(), max = ImGui::GetItemRectMax();
        variableRects_.push_back({min.x, min.y, max.x, max.y});
        ImGui::PopID();
      }
    }
    if (ImGui::CollapsingHeader(ja(MessageId::DebugLayers).c_str(), ImGuiTreeNodeFlags_DefaultOpen))
      objectTable("layers", snapshot.layers, false);
    if (ImGui::CollapsingHeader(ja(MessageId::DebugChannels).c_str()))
      objectTable("channels", snapshot.channels, true);
  }
  ImGui::End();
  return request;
}

}  // namespace tavrik
