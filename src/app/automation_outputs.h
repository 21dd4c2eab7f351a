// What automation asks of a run besides its events: a state written at a frame (save-state), a state
// restored at start (--restore-state), and at a normal end the screenshot, the sound and the variables. A
// file that cannot be read or written is named on standard error and makes the run end with status 1. And the
// screenshots a player keeps with the screenshot key.
#pragma once

#include <filesystem>
#include <string>

#include "app/options.h"

namespace tavrik {

class AudioOutput;
class GraphicsDevice;
class ScriptEngine;

class AutomationOutputs {
 public:
  // Restores a state file written by save-state; false, with the reason on standard error and the game
  // untouched, when it cannot be read or is refused.
  static bool restoreStateFile(ScriptEngine& engine, const std::filesystem::path& file);
  void saveStateFile(ScriptEngine& engine, const std::filesystem::path& file);
  // The screenshot, the recorded sound and the variables; false when the screenshot, the sound, or a
  // state asked for earlier, could not be written.
  bool writeAtEnd(ScriptEngine& engine, GraphicsDevice& graphics, AudioOutput* audio,
                  const AutomationOptions& automation);

  // Where a player's screenshots go: the desktop's pictures folder ($XDG_PICTURES_DIR as
  // $XDG_CONFIG_HOME/user-dirs.dirs sets it, else ~/Pictures), in a folder "tavrik".
  static std::filesystem::path screenshotFolder();
  // Writes the game's last frame there as tavrik-YYYYMMDD-HHMMSS.png (with -2, -3 ... when taken in the
  // same second); the word the player is shown, saying where or why not.
  static std::string keepScreenshot(GraphicsDevice& graphics);

 private:
  bool failed_ = false;
};

}  // namespace tavrik
