// The running script: a compiled program, the program counter and the scene it plays on, driven once
// per frame by the application. The program never changes; everything that does is the engine's state,
// which it gives as data and takes back.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "scene/channel.h"
#include "scene/scene.h"
#include "script/compiler/program.h"
#include "script/runtime/engine_fonts.h"
#include "script/runtime/engine_states.h"
#include "script/runtime/game_state.h"
#include "script/runtime/history.h"
#include "script/runtime/rollback.h"
#include "script/runtime/text_layers.h"

namespace tavrik {

class AudioChannelPlayer;
class FontLibrary;
class GraphicsDevice;
class InputDevices;

// Makes the player of a declared channel: positional for sound effects, with its performance-channel count.
using AudioPlayerFactory = std::function<std::unique_ptr<AudioChannelPlayer>(bool positional, int channels)>;

// What an engine borrows from the player around it.
struct EngineServices {
  EngineServices(GraphicsDevice& graphics, InputDevices& inputDevices, MouseState& mouseState)
      : device(graphics), input(inputDevices), mouse(mouseState) {}

  GraphicsDevice& device;
  InputDevices& input;
  MouseState& mouse;
  FontLibrary* fonts = nullptr;  // shared with the font menu; without one the engine opens its own
  AudioPlayerFactory players;    // without one, channels play nothing
  std::string moduleDirectory;   // the executable's folder in script form: pictures are looked for there last
};

// The pictures a program loads before it first waits or jumps: its first frame's, when it starts from
// the beginning. At most limit names, as the script writes them, in the order loaded.
std::vector<std::string> picturesAtStart(const Program& program, std::size_t limit = 16);

class ScriptEngine {
 public:
  // A loop without a wait would otherwise run forever inside one frame. The command phase of a frame
  // ends after the whole list plus this many further commands: code without backward jumps never
  // reaches the bound, and a loop that waits ends its frame at the wait long before it.
  static constexpr std::int64_t kExtraCommandsPerFrame = 100000;

  // Sets up what the program declares: layers, channels, fonts of the face, variables at zero.
  ScriptEngine(std::shared_ptr<const Program> program, EngineServices services, std::string fontFace);
  ~ScriptEngine();

  // One frame: poll input, run the commands due, advance the scene and the channels.
  void update();
  // The program counter has passed the last command.
  bool isFinished() const;
  // Draws and presents the frame, unless nothing on screen changed since the last one and force is
  // not set. Whether it drew.
  bool draw(bool force = false);

  const Program& program() const { return *program_; }
  std::int32_t programCounter() const { return programCounter_; }

  // Variables in the program's order; the first is the choice result.
  const std::vector<float>& variables() const { return variables_; }
  // Sets a variable by its index (the debug view); an index out of range does nothing.
  void setVariable(std::int32_t index, float value) {
    if (index >= 0 && static_cast<std::size_t>(index) < variables_.size())
      variables_[static_cast<std::size_t>(index)] = value;
  }
  // The value of a variable by name; nothing when no variable has that name.
  std::optional<float> variable(std::string_view name) const;

  // The layers and channels of the program's tables, in the same order.
  SimpleLayer& layer(std::int32_t index) { return *scene_->layers()[static_cast<std::size_t>(index)]; }
  Channel& channel(std::int32_t index) { return *channels_.channels()[static_cast<std::size_t>(index)]; }
  Scene& scene() { return *scene_; }
  ChannelList& channels() { return channels_; }
  // The fonts of the program's font heights, and the face they are in.
  EngineFonts& fonts() { return fonts_; }
  const EngineFonts& fonts() const { return fonts_; }

  // What the command at the program counter waits for: nothing when it is no wait or the script ended.
  enum class Waiting { None, Time, Input, Action, Choice };
  Waiting waiting() const;
  // Skipping and auto mode answer input waits as if clicked: asked at every frame of an input wait, with
  // its program position, before the click is looked for. Choices are never answered.
  using InputWaitAnswer = std::function<bool(std::int32_t position)>;
  void setInputWaitAnswer(InputWaitAnswer answer) { inputWaitAnswer_ = std::move(answer); }
  // The program positions of the input waits passed since the last call, in order.
  std::vector<std::int32_t> takePassedInputWaits() { return std::exchange(passedInputWaits_, {}); }
  // The program's text layers: how far their typing has got.
  TextLayers& text() { return text_; }
  const TextLayers& text() const { return text_; }
  // What the text layers showed in this play; a loaded game puts back the history it was saved with.
  const History& history() const { return history_; }
  void setHistory(History history) { history_ = std::move(history); }

  // Saving and restoring the running game.
  EngineStates& states() { return states_; }
  const EngineStates& states() const { return states_; }
  // The game at the last waits for the player, to step back to.
  Rollback& rollback() { return rollback_; }
  const Rollback& rollback() const { return rollback_; }

 private:
  friend class EngineStates;
  struct Execution;

  std::shared_ptr<const Program> program_;
  GraphicsDevice& device_;
  InputDevices& input_;
  MouseState& mouse_;
  ScriptRandom random_;
  std::unique_ptr<Scene> scene_;
  ChannelList channels_;
  TextLayers text_;
  EngineFonts fonts_;
  std::int32_t programCounter_ = 0;
  CommandProgress progress_;
  std::vector<float> variables_;
  bool loadedThisFrame_ = false;
  InputWaitAnswer inputWaitAnswer_;
  std::vector<std::int32_t> passedInputWaits_;
  History history_;
  EngineStates states_{*this};
  Rollback rollback_;
};

}  // namespace tavrik
