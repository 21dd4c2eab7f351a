// The player's own settings that the settings screen changes and the player keeps in its settings file.
#pragma once

#include <array>

namespace tavrik {

// The text speeds offered, slowest first, in half steps a frame: ×0.5, ×1, ×1.5, ×2, ×3, ×4, and 0 for
// text shown whole at once.
inline constexpr std::array<int, 7> kTextSpeeds = {1, 2, 3, 4, 6, 8, 0};

// The window's size, chosen in the View menu: the game at its own size, one and a half or twice it, or
// the largest the screen holds.
enum class WindowScale { One, OneAndHalf, Two, Fit };

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
  int textSpeed = 2;                 // half steps a frame the text types at (kTextSpeeds); 0 whole at once
  bool clickCompletes = true;        // a click while a text types shows the rest of it
  bool speech = false;               // the text is read aloud
  bool clipboardText = false;        // each text shown is put on the clipboard, for a screen reader
  WindowScale windowScale = WindowScale::One;
  // The game is scaled smoothly rather than sharply (in a larger window, in fullscreen).
  bool smoothScaling = false;

  bool operator==(const PlayerSettings&) const = default;
  // The gain (0 to 1) of the music channels and of the sound-effect channels.
  float musicGain() const;
  float effectGain() const;
  // Every value within its range.
  PlayerSettings clamped() const;
};

}  // namespace tavrik
