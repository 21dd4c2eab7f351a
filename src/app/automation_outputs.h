// What automation asks of a run besides its events: a state written at a frame (save-state), a state
// restored at start (--restore-state), and at a normal end the screenshot and the variables. A file
// that cannot be read or written is named on standard error and makes the run end with status 1.
#pragma once

#include <filesystem>

#include "app/options.h"

namespace tavrik {

class GraphicsDevice;
class ScriptEngine;

class AutomationOutputs {
 public:
  // Restores a state file written by save-state; false, with the reason on standard error and the game
  // untouched, when it cannot be read or is refused.
  static bool restoreStateFile(ScriptEngine& engine, const std::filesystem::path& file);
  void saveStateFile(ScriptEngine& engine, const std::filesystem::path& file);
  // The screenshot and the variables; false when the screenshot, or a state asked for earlier, could
  // not be written.
  bool writeAtEnd(ScriptEngine& engine, GraphicsDevice& graphics, const AutomationOptions& automation);

 private:
  bool failed_ = false;
};

}  // namespace tavrik
