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
#include "app/save_store.h"
#include "app/version.h"
#include "base/script_error.h"
#include "platform/audio_output.h"
#include "platform/file_watch.h"
#include "platform/glyph_font.h"
#include "script/runtime/script_engine.h"
#include "ui/debug_view.h"
#include "ui/history_screen.h"
#include "ui/notice.h"
#include "ui/settings_screen.h"
#include "ui/slot_screen.h"

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

  // Saves the game in a slot (kQuickSlot, 1 to kSlotCount, kAutoSlot); a save that cannot be written is
  // reported in a box, and the slot keeps what it held.
  bool saveSlot(int slot);
  // Loads a slot; one that is missing, damaged or from another script is reported in a box, and the
  // game goes on untouched.
  bool loadSlot(int slot);
  const SaveStore& saves() const { return *saves_; }
  bool skipping() const {
    return ((ctrlHeld_ && ctrlFrames_ >= kSkipDelayFrames) || skipOn_) && !skipStopped_;
  }
  bool autoMode() const { return autoMode_; }
  bool readOnlySkip() const { return readSkip_; }
  PlayerScreen* screen() { return screen_.get(); }

  // Skipping runs at least this many updates a frame; headless exactly this many, so runs repeat. A
  // frame ends at every input wait skipped, so that each text shows for a frame at least.
  static constexpr int kSkipUpdates = 16;
  // Ctrl skips once it has been held this many frames: Ctrl+R and a brush of the key skip nothing.
  static constexpr int kSkipDelayFrames = 6;

  // For authors. Compiles the script again and, when it compiles, plays it from the start, fast-forwarding
  // to the input wait the player was at (or the nearest before it); a script error is shown over the
  // game, which goes on. Whether it compiled.
  bool reload();
  // Fast-forwarding to a wait is under way (a choice without a known answer holds it up).
  bool fastForwarding() const { return forward_.active; }
  // The report shown over the game after a reload that failed; empty when none is.
  const std::string& notice() const { return noticeText_; }
  bool debugOffered() const { return debugOffered_; }
  bool debugShown() const { return debugShown_; }

 protected:
  void update() override;
  void draw(bool force) override;
  void afterFirstFrame() override;
  void saveState(const std::filesystem::path& file) override;
  void handleEvent(const WindowEvent& event) override;
  void runPlayerAction(const PlayerAction& action) override;
  void buildScreens() override;

 private:
  GameApp(FrameSettings settings, std::unique_ptr<GraphicsDevice> graphics);

  // A start-up error or a script error, in a box that stays in the last frame (and its screenshot).
  void reportStartupProblem(const std::string& caption, const std::string& text);
  void buildMenus();
  void selectFont(int index);
  // The face chosen in the font menu (Shift-JIS); empty when there is none.
  std::string selectedFace() const;

  // The player's own functions.
  void setUpSaves(const CommandLine& commandLine, const std::string& script);
  void offerToContinue();
  SaveData currentSave(const std::vector<std::uint32_t>* thumbnail = nullptr);
  void runUpdates();
  void stopSkipping();
  void setAutoMode(bool on);
  bool answerInputWait(std::int32_t position);
  void countAutoPause();
  void openScreen(std::unique_ptr<PlayerScreen> screen);
  void closeScreen();
  static constexpr int kNoFocus = -100;
  // focus: the slot the highlight starts on, when not the screen's own choice.
  void openSlotScreen(SlotScreen::Mode mode, int focus = kNoFocus);
  void openSettings();
  void openHistory();
  void handleScreenEvent(const WindowEvent& event);
  void takeScreenAction(ScreenAction action);
  void applyPlayerSettings();
  void updateMenuChecks();

  // For authors.
  void makeEngine(std::shared_ptr<const Program> program);
  // One update of the engine; whether it passed an input wait.
  bool stepEngine();
  void runForward(double seconds);
  bool isForwardTarget(std::int32_t position) const;
  // Sets off fast-forwarding to the first input wait at or after a line (1-based) of one of the game's
  // files; the problem, when the file is none of them.
  std::string startAtLine(const std::string& file, int line);
  void setUpAuthoring(const AutomationOptions& automation);
  void watchScriptFiles();
  void showNotice(const std::string& caption, const std::string& text);
  void showToast(const std::string& text);
  void buildNotice();
  void buildDebugView();
  DebugSnapshot debugSnapshot();

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

  std::unique_ptr<SaveStore> saves_;
  SeenWaits seen_;
  PlayerSettings playerSettings_;
  std::filesystem::path playerSettingsPath_;
  std::unique_ptr<PlayerScreen> screen_;
  std::vector<std::uint32_t> screenThumbnail_;  // the game as it was when the save screen opened
  bool ctrlHeld_ = false;
  int ctrlFrames_ = 0;        // frames Ctrl has been held
  bool skipOn_ = false;       // the events file's "skip on"
  bool skipStopped_ = false;  // skipping met a choice or an unread wait: Ctrl must be pressed again
  bool readSkip_ = false;     // skip only the waits this player has passed before (kept in the settings)
  bool autoMode_ = false;
  bool autoAnswerDue_ = false;
  std::int64_t autoFrames_ = 0;  // frames the typed-out text has waited in auto mode

  // How long the word after a save or a load stays: a second and a half.
  static constexpr int kToastFrames = 90;
  // What reloading replays: the input waits passed and the choices made since the start (not known
  // after a load, when a reload goes to the line of the wait instead).
  std::string scriptPath_;
  std::int64_t waitsPassed_ = 0;
  std::int64_t gameFrames_ = 0;  // updates of the engine since it started
  std::vector<std::int32_t> choicesMade_;
  bool playReplayable_ = true;
  struct FastForward {
    bool active = false;
    std::int64_t waits = -1;            // stop at the input wait after this many were passed, or
    std::optional<SourceLine> from;     // at the first input wait written at or after this line
    std::vector<std::int32_t> choices;  // the choices to make on the way, in order
    std::size_t nextChoice = 0;
    bool toChoice = false;  // done at the first choice whose answer is not known (the player was at it)
  } forward_;
  std::unique_ptr<FileWatch> watch_;
  std::int64_t reloadDue_ = 0;  // performance counter of a reload waiting for the writes to settle; 0 none
  std::string noticeCaption_, noticeText_;
  ScreenRect noticeClose_;
  bool debugOffered_ = false;
  bool debugShown_ = false;
  bool debugPaused_ = false;
  bool debugStep_ = false;
  std::string toastText_;        // a short word over the game after a save or a load
  int toastFrames_ = 0;          // frames it stays
  bool indicatorDrawn_ = false;  // the last frame drawn showed that skipping or auto mode runs the game
  std::optional<DebugSnapshot> debugSnapshot_;  // taken before the frame's interface is built
  double frameMilliseconds_ = 0;
  std::int64_t lastFrameCounter_ = 0;
};

}  // namespace tavrik
