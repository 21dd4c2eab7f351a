// The settings screen: the three volumes with their mutes, and auto mode's pauses.
#pragma once

#include <string>

#include "ui/player_settings.h"
#include "ui/screen.h"

namespace tavrik {

class SettingsScreen : public PlayerScreen {
 public:
  explicit SettingsScreen(PlayerSettings settings) : settings_(settings) {}

  void build() override;
  // Up and Down choose a row, Left and Right lower and raise its value, Return or Space mutes or
  // unmutes a volume, Escape closes.
  ScreenAction key(Key key) override;
  ScreenAction click(int x, int y) override;
  void pointer(int x, int y) override;
  std::string characters() const override;
  // The row's name and its value.
  std::string focusWords() const override;

  const PlayerSettings& settings() const { return settings_; }
  int focusedRow() const { return row_; }

  static constexpr int kRows = 7;

 private:
  void adjust(int row, int direction);
  std::string valueText(int row) const;
  void toggleMute(int row);

  PlayerSettings settings_;
  int row_ = 0;
  struct RowRects {
    ScreenRect row, lower, raise, mute;
  };
  RowRects rects_[kRows];
  ScreenRect closeRect_;
};

}  // namespace tavrik
