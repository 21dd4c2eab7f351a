// The player's own settings that the settings screen changes and the player keeps in its settings file.
#pragma once

namespace tavrik {

struct PlayerSettings {
  int masterVolume = 100;
  int musicVolume = 100;
  int effectVolume = 100;
  bool masterMuted = false;
  bool musicMuted = false;
  bool effectMuted = false;
  int autoPauseMs = 1500;            // auto mode waits this long after the text has been typed out
  int autoPausePerCharacterMs = 50;  // and this much more for each character shown
  bool readOnlySkip = false;         // the menu's "skip only what was read"

  bool operator==(const PlayerSettings&) const = default;
  // The gain (0 to 1) of the music channels and of the sound-effect channels.
  float musicGain() const;
  float effectGain() const;
  // Every value within its range.
  PlayerSettings clamped() const;
};

}  // namespace tavrik
