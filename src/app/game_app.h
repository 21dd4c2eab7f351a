// The game player: the frame's client that plays a compiled script, and the player's own functions
// around it, each a component of its own (saves, screens, skipping and auto mode, authoring tools,
// debug view, font choice, automation's outputs, window size). GameApp only wires them: it owns them,
// binds the command table's commands to them and hands each frame's events, update and drawing on.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/authoring.h"
#include "app/automation_outputs.h"
#include "app/command_bindings.h"
#include "app/corner_words.h"
#include "app/debug_control.h"
#include "app/playback.h"
#include "app/player_rollback.h"
#include "app/player_saves.h"
#include "app/player_screens.h"
#include "app/self_voicing.h"
#include "app/startup.h"
#include "app/window_view.h"
#include "script/runtime/script_engine.h"

namespace tavrik {

class GameApp : public FrameClient {
 public:
  // The whole start-up. Nothing when it stopped; the reason has been shown and exitCode says how the
  // process ends.
  static std::unique_ptr<GameApp> start(const CommandLine& commandLine, int* exitCode);

  AppFrame& frame() { return *services_.frame; }
  ScriptEngine& engine() { return *engine_; }
  PlayerSaves& saves() { return *saves_; }
  Playback& playback() { return playback_; }
  Authoring& authoring() { return *authoring_; }
  const DebugControl& debug() const { return debug_; }
  SelfVoicing& voice() { return voice_; }
  const std::vector<MenuPopup>& menus() const { return menus_; }

  // Saves the game in a slot (kQuickSlot, 1 to kSlotCount, kAutoSlot), or loads one; what cannot be
  // done is told in a box, and the slot or the game stays as it was.
  bool saveSlot(int slot);
  bool loadSlot(int slot);
  // The normal end: the automation outputs (false, with the reason on standard error, when the
  // screenshot or a state the events file asked for could not be written), the play kept to be
  // continued when it was closed midway, then the engine goes and the chosen font is saved.
  bool finish(const AutomationOptions& automation);

  void update() override;
  bool draw(bool force) override;
  bool handleEvent(const WindowEvent& event) override;
  bool runCommand(int id) override;
  bool knowsCommand(int id) const override;
  void saveState(const std::filesystem::path& file) override;
  void runPlayerAction(const PlayerAction& action) override;
  void buildScreens() override;
  void afterFirstFrame() override;

 private:
  explicit GameApp(PlayerServices services);
  void makeEngine(std::shared_ptr<const Program> program);
  // One update of the engine; whether it passed an input wait.
  bool stepEngine();
  void bindCommands();
  void rebuildMenus();

  // The services outlive the engine, which borrows the frame's device, input and mouse, and the
  // components, which hold the frame.
  PlayerServices services_;
  std::unique_ptr<ScriptEngine> engine_;
  std::unique_ptr<PlayerSaves> saves_;
  std::unique_ptr<PlayerScreens> screens_;
  std::unique_ptr<Authoring> authoring_;
  Playback playback_;
  DebugControl debug_;
  CornerWords words_;
  AutomationOutputs outputs_;
  PlayerRollback rollback_;
  SelfVoicing voice_;
  std::unique_ptr<WindowView> view_;
  CommandBindings bindings_;
  std::vector<MenuPopup> menus_;
  std::int64_t gameFrames_ = 0;  // updates of the engine since it started
};

}  // namespace tavrik
