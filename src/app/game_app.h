// The game player: the frame plus the script. Start-up picks the script, compiles it and reports the
// first problem; each frame runs the script engine and closes the window when the script has ended.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/app_frame.h"
#include "app/options.h"
#include "app/version.h"
#include "base/script_error.h"
#include "platform/audio_output.h"
#include "platform/glyph_font.h"
#include "script/runtime/script_engine.h"

namespace tavrik {

inline const std::string kAppTitle = std::string("Tavrikアドベンチャーゲームシステム Ver.") + kAppVersion;

// The script to play: argument 1, else the default script beside the executable. Paths are script
// paths (Shift-JIS, "\"); the error is the start-up message in UTF-8.
struct ScriptChoice {
  std::optional<std::string> path;
  std::string error;
};
ScriptChoice chooseScriptPath(const std::vector<std::string>& arguments, const std::string& moduleDirectory);

// The label of font i in the font menu: the face (UTF-8), and for the first 26 an access key "(&A)"..
std::string fontMenuLabel(const std::string& sjisFace, int index);

// The text of a compile error's report: the file and the zero-based line, the line as written, the
// message (UTF-8).
std::string scriptErrorText(const ScriptError& error);

// --check: compiles the script the command line names and reports the first error, with nothing of
// the display, fonts or sound started. The exit status.
int checkScript(const CommandLine& commandLine);

// --lint: lints the script the command line names (as given, or the default script) and writes the
// findings to standard output. The exit status: 1 when any is an error.
int runLint(const CommandLine& commandLine);

class GameApp : public AppFrame {
 public:
  // The whole start-up. Nothing when it stopped; the reason has been shown and exitCode says how the
  // process ends.
  static std::unique_ptr<GameApp> start(const CommandLine& commandLine, int* exitCode);
  ~GameApp() override;

  ScriptEngine& engine() { return *engine_; }

  // The automation output at a normal end: the screenshot and the variables. False, with the reason on
  // standard error, when the screenshot or a state the events file asked for could not be written.
  bool writeExitOutputs(const AutomationOptions& automation);
  // The normal end: the engine goes, then the chosen font is saved.
  void shutdown();

  void runCommand(int id) override;
  bool knowsCommand(int id) const override;
  // Restores a state file written by save-state; false, with the reason on standard error and the game
  // untouched, when it cannot be read or is refused.
  bool restoreStateFile(const std::filesystem::path& file);

  const std::vector<MenuPopup>& menus() const { return menus_; }

 protected:
  void update() override;
  void draw(bool force) override;
  void afterFirstFrame() override;
  void saveState(const std::filesystem::path& file) override;

 private:
  GameApp(FrameSettings settings, std::unique_ptr<GraphicsDevice> graphics);

  // A start-up error or a script error, in a box that stays in the last frame (and its screenshot).
  void reportStartupProblem(const std::string& caption, const std::string& text);
  void buildMenus();
  void selectFont(int index);

  bool outputFailed_ = false;  // a screenshot or a state file could not be written
  std::vector<std::string> fontList_;
  int selectedFont_ = 0;
  std::vector<MenuPopup> menus_;
  std::filesystem::path settingsPath_;
  std::filesystem::path moduleDir_;                       // the executable's folder, as the start found it
  std::optional<std::filesystem::path> errorScreenshot_;  // --screenshot, for a run ended by an error
  // Both outlive the engine, whose channels and fonts come from them.
  std::unique_ptr<AudioOutput> audio_;
  std::unique_ptr<FontLibrary> fonts_;
  std::unique_ptr<ScriptEngine> engine_;
};

}  // namespace tavrik
