#include "ui/settings_screen.h"

#include <imgui.h>

#include <algorithm>
#include <cfloat>
#include <cmath>

#include "base/messages.h"
#include "platform/graphics_device.h"
#include "platform/overlay.h"
#include "ui/screen_parts.h"

namespace tavrik {

using namespace screen_parts;

namespace {

constexpr MessageId kRowLabels[SettingsScreen::kRows] = {
    MessageId::SettingsMasterVolume,  MessageId::SettingsMusicVolume,       MessageId::SettingsEffectVolume,
    MessageId::SettingsAutoPause,     MessageId::SettingsPausePerCharacter, MessageId::SettingsTextSpeed,
    MessageId::SettingsClickCompletes};

constexpr int kSpeedRow = 5, kClickRow = 6;

int speedIndex(int halfSteps) {
  for (std::size_t i = 0; i < kTextSpeeds.size(); ++i)
    if (kTextSpeeds[i] == halfSteps) return static_cast<int>(i);
  return 1;
}

// "×1.5", or the word for text shown whole.
std::string speedText(int halfSteps) {
  if (halfSteps <= 0) return ja(MessageId::SettingsTextWhole);
  return "×" + std::to_string(halfSteps / 2) + (halfSteps % 2 ? ".5" : "");
}

int percentGainStep(int value, int direction) {
  return std::clamp(value + direction * 10, 0, 100);
}

}  // namespace

float PlayerSettings::musicGain() const {
  if (masterMuted || musicMuted) return 0.0f;
  return static_cast<float>(masterVolume) / 100.0f * static_cast<float>(musicVolume) / 100.0f;
}

float PlayerSettings::effectGain() const {
  if (masterMuted || effectMuted) return 0.0f;
  return static_cast<float>(masterVolume) / 100.0f * static_cast<float>(effectVolume) / 100.0f;
}

PlayerSettings PlayerSettings::clamped() const {
  PlayerSettings s = *this;
  s.masterVolume = std::clamp(s.masterVolume, 0, 100);
  s.musicVolume = std::clamp(s.musicVolume, 0, 100);
  s.effectVolume = std::clamp(s.effectVolume, 0, 100);
  s.autoPauseMs = std::clamp(s.autoPauseMs, 0, 10000);
  s.autoPausePerCharacterMs = std::clamp(s.autoPausePerCharacterMs, 0, 500);
  s.textSpeed = kTextSpeeds[static_cast<std::size_t>(speedIndex(s.textSpeed))];
  return s;
}

void SettingsScreen::adjust(int row, int direction) {
  switch (row) {
    case 0:
      settings_.masterVolume = percentGainStep(settings_.masterVolume, direction);
      break;
    case 1:
      settings_.musicVolume = percentGainStep(settings_.musicVolume, direction);
      break;
    case 2:
      settings_.effectVolume = percentGainStep(settings_.effectVolume, direction);
      break;
    case 3:
      settings_.autoPauseMs = std::clamp(settings_.autoPauseMs + direction * 250, 0, 10000);
      break;
    case 4:
      settings_.autoPausePerCharacterMs =
          std::clamp(settings_.autoPausePerCharacterMs + direction * 10, 0, 500);
      break;
    case kSpeedRow:
      settings_.textSpeed = kTextSpeeds[static_cast<std::size_t>(std::clamp(
          speedIndex(settings_.textSpeed) + direction, 0, static_cast<int>(kTextSpeeds.size()) - 1))];
      break;
    case kClickRow:
      settings_.clickCompletes = direction > 0;
      break;
    default:
      break;
  }
}

void SettingsScreen::toggleMute(int row) {
  if (row == 0) settings_.masterMuted = !settings_.masterMuted;
  if (row == 1) settings_.musicMuted = !settings_.musicMuted;
  if (row == 2) settings_.effectMuted = !settings_.effectMuted;
}

ScreenAction SettingsScreen::key(Key key) {
  switch (key) {
    case Key::Escape:
      return ScreenAction::close();
    case Key::Up:
      row_ = (row_ + kRows - 1) % kRows;
      return {};
    case Key::Down:
    case Key::Tab:
      row_ = (row_ + 1) % kRows;
      return {};
    case Key::Left:
    case Key::Right:
      adjust(row_, key == Key::Left ? -1 : 1);
      return ScreenAction::changed();
    case Key::Return:
    case Key::Space:
      if (row_ == kClickRow) {
        settings_.clickCompletes = !settings_.clickCompletes;
        return ScreenAction::changed();
      }
      if (row_ > 2) return {};
      toggleMute(row_);
      return ScreenAction::changed();
    default:
      return {};
  }
}

void SettingsScreen::pointer(int x, int y) {
  for (int row = 0; row < kRows; ++row)
    if (rects_[row].row.contains(x, y)) row_ = row;
}

ScreenAction SettingsScreen::click(int x, int y) {
  if (closeRect_.contains(x, y)) return ScreenAction::close();
  for (int row = 0; row < kRows; ++row) {
    const RowRects& r = rects_[row];
    if (r.lower.contains(x, y) || r.raise.contains(x, y)) {
      row_ = row;
      adjust(row, r.lower.contains(x, y) ? -1 : 1);
      return ScreenAction::changed();
    }
    if (row <= 2 && r.mute.contains(x, y)) {
      row_ = row;
      toggleMute(row);
      return ScreenAction::changed();
    }
  }
  return {};
}

std::string SettingsScreen::characters() const {
  // The seconds' unit without its number (a placeholder left in would ask for braces), and what the
  // values and the buttons are written with.
  std::string out = ja(MessageId::SettingsTitle) + ja(MessageId::SettingsMuted) +
                    ja(MessageId::SettingsSeconds, {""}) + "0123456789.%－＋+×" +
                    ja(MessageId::SettingsHint) + ja(MessageId::SettingsTextWhole) +
                    ja(MessageId::SettingsOn) + ja(MessageId::SettingsOff);
  for (const MessageId label : kRowLabels) out += ja(label);
  return out + kCloseAction;
}

std::string SettingsScreen::valueText(int row) const {
  if (row <= 2) {
    const bool muted[3] = {settings_.masterMuted, settings_.musicMuted, settings_.effectMuted};
    const int volumes[3] = {settings_.masterVolume, settings_.musicVolume, settings_.effectVolume};
    // The level stays in sight, and changes, while it is muted.
    const bool silent = muted[row] || (row > 0 && muted[0]);
    return silent ? ja(MessageId::SettingsMutedLevel, {percent(volumes[row])}) : percent(volumes[row]);
  }
  if (row == kSpeedRow) return speedText(settings_.textSpeed);
  if (row == kClickRow) return ja(settings_.clickCompletes ? MessageId::SettingsOn : MessageId::SettingsOff);
  const int ms = row == 3 ? settings_.autoPauseMs : settings_.autoPausePerCharacterMs;
  char seconds[32];
  std::snprintf(seconds, sizeof seconds, "%.2f", static_cast<double>(ms) / 1000.0);
  // The pause per character adds to the pause after the text.
  return (row == 3 ? "" : "+") + ja(MessageId::SettingsSeconds, {seconds});
}

std::string SettingsScreen::focusWords() const {
  return ja(kRowLabels[row_]) + " " + valueText(row_);
}

void SettingsScreen::build() {
  if (beginScreen((ja(MessageId::SettingsTitle) + "###settings").c_str(), 540, 372)) {
    const bool muted[3] = {settings_.masterMuted, settings_.musicMuted, settings_.effectMuted};
    const int volumes[3] = {settings_.masterVolume, settings_.musicVolume, settings_.effectVolume};
    for (int row = 0; row < kRows; ++row) {
      ImGui::PushID(row);
      const float rowTop = ImGui::GetCursorScreenPos().y;
      ImGui::AlignTextToFramePadding();
      ImGui::TextUnformatted(ja(kRowLabels[row]).c_str());
      ImGui::SameLine(170);
      ImGui::Button("－", ImVec2(32, 0));
      rects_[row].lower = lastItemRect();
      focusFrame(row == row_);
      ImGui::SameLine();
      // A muted volume is heard as nothing, and its bar shows nothing; the level comes back with it.
      const bool silent = row <= 2 && (muted[row] || (row > 0 && muted[0]));
      const std::string value = valueText(row);
      ImGui::SetNextItemWidth(100);
      float fraction = 0.0f;
      if (row <= 2 && !silent) fraction = static_cast<float>(volumes[row]) / 100.0f;
      if (row == 3 || row == 4)
        fraction = static_cast<float>(row == 3 ? settings_.autoPauseMs : settings_.autoPausePerCharacterMs) /
                   (row == 3 ? 10000.0f : 500.0f);
      if (row == kSpeedRow)
        fraction =
            static_cast<float>(speedIndex(settings_.textSpeed)) / static_cast<float>(kTextSpeeds.size() - 1);
      if (row == kClickRow) fraction = settings_.clickCompletes ? 1.0f : 0.0f;
      ImGui::ProgressBar(fraction, ImVec2(140, 0), value.c_str());
      ImGui::SameLine();
      ImGui::Button("＋", ImVec2(32, 0));
      rects_[row].raise = lastItemRect();
      rects_[row].row = {ImGui::GetWindowPos().x, rowTop, ImGui::GetWindowPos().x + ImGui::GetWindowWidth(),
                         rowTop + ImGui::GetFrameHeightWithSpacing()};
      if (row <= 2) {
        ImGui::SameLine();
        ImGui::Button(ja(muted[row] ? MessageId::SettingsMuted : MessageId::SettingsMute).c_str(),
                      ImVec2(96, 0));
        rects_[row].mute = lastItemRect();
        if (muted[row]) {
          const ScreenRect& r = rects_[row].mute;
          ImGui::GetWindowDrawList()->AddRect(ImVec2(r.left, r.top), ImVec2(r.right, r.bottom),
                                              look().warning, ImGui::GetStyle().FrameRounding, 0, 2.0f);
        }
      }
      ImGui::PopID();
    }
    ImGui::Spacing();
    ImGui::TextDisabled("%s", ja(MessageId::SettingsHint).c_str());
    actionButton(kCloseAction, "Esc", 130);
    closeRect_ = lastItemRect();
  }
  ImGui::End();
}

}  // namespace tavrik
