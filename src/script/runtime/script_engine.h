// The running script: the compiled command list, the program counter, the declaration tables and the
// scene, driven once per frame by the application.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "scene/action.h"
#include "scene/channel.h"
#include "script/runtime/command.h"
#include "script/runtime/script_error.h"

namespace tavrik {

class GraphicsDevice;
class InputDevices;
struct MouseState;
class Scene;

class FontLibrary;
class GlyphFont;

enum class ActionKind { Plain = 0, Eye = 1, Mouth = 2, Text = 3 };

// A declared action; the engine owns the action for the whole run.
struct ActionDeclaration {
  std::string name;  // Shift-JIS
  ActionKind kind = ActionKind::Plain;
  int fontIndex = -1;  // text actions: their entry of the font table
  std::unique_ptr<Action> action;
};

// One font per pixel height, shared by every text action of that height.
struct FontEntry {
  std::unique_ptr<GlyphFont> font;
  int height = 0;
};

struct Variable {
  std::string name;  // Shift-JIS
  float value = 0.0f;
};

class SimpleLayer;
enum class LayerKind;

struct LayerDeclaration {
  std::string name;  // Shift-JIS
  LayerKind kind;
  SimpleLayer* layer;  // owned by the scene
};

// A named command sequence; using the macro appends these same commands where it is used.
struct MacroDeclaration {
  std::string name;
  std::vector<Command*> commands;
};

class AudioChannelPlayer;
// Makes the player of a declared channel: positional for sound effects, with its performance-channel count.
using AudioPlayerFactory = std::function<std::unique_ptr<AudioChannelPlayer>(bool positional, int channels)>;

// Name indexes looked up with string views, without building a string per lookup.
struct NameHash {
  using is_transparent = void;
  std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
};
using NameIndex = std::unordered_map<std::string, std::size_t, NameHash, std::equal_to<>>;

class ScriptEngine {
 public:
  // A loop without a wait would otherwise run forever inside one frame. The command phase of a frame
  // ends after the whole list plus this many further commands: code without backward jumps never
  // reaches the bound, and a loop that waits ends its frame at the wait long before it.
  static constexpr std::int64_t kExtraCommandsPerFrame = 100000;

  ScriptEngine(GraphicsDevice& device, int screenWidth, int screenHeight, InputDevices& input,
               const MouseState& mouse, std::string fontFace);
  ~ScriptEngine();
  ScriptEngine(const ScriptEngine&) = delete;
  ScriptEngine& operator=(const ScriptEngine&) = delete;

  // Compiles a script file (a Shift-JIS script path) into this engine. The first error stops the
  // compile and is returned; the program is then incomplete and must not be played.
  std::optional<ScriptError> compile(const std::string& scriptPath);

  // One frame: poll input, run the commands due, advance the scene and the channels.
  void update();
  // The program counter has passed the last command.
  bool isFinished() const;
  // Draws and presents the frame, unless nothing on screen changed since the last one and force is
  // not set. Whether it drew.
  bool draw(bool force = false);
  void setFontFace(const std::string& face);
  const std::string& fontFace() const { return fontFace_; }

  // The program, for the compiler: commands are owned here and may stand at several indices.
  template <class C, class... Args>
  C& makeCommand(Args&&... args) {
    auto command = std::make_unique<C>(*this, std::forward<Args>(args)...);
    C& ref = *command;
    ownedCommands_.push_back(std::move(command));
    return ref;
  }
  std::vector<Command*>& commands() { return commands_; }
  const std::vector<Command*>& commands() const { return commands_; }

  std::int32_t programCounter() const { return programCounter_; }
  void setProgramCounter(std::int32_t pc) { programCounter_ = pc; }
  void jumpBy(std::int32_t offset) { programCounter_ += offset; }

  // Variables in declaration order; the first is the choice result. Addresses are stable.
  const std::deque<Variable>& variables() const { return variables_; }
  // "選択結果", which the choice wait writes.
  Variable& choiceResult() { return variables_.front(); }
  Variable* findVariable(std::string_view name);
  Variable& addVariable(std::string_view name);

  // Declared layers, in declaration order (which is drawing order); lookups find the first of a name.
  const std::vector<LayerDeclaration>& layers() const { return layers_; }
  void addLayerDeclaration(std::string_view name, LayerKind kind, SimpleLayer& layer);
  const LayerDeclaration* findLayer(std::string_view name) const;

  // Macros, by name (names are unique).
  MacroDeclaration* findMacro(std::string_view name);
  MacroDeclaration& addMacro(std::string_view name);

  // The first declared action of a name, of any kind or of the text kind only; null when none.
  const ActionDeclaration* findAction(std::string_view name) const;
  const ActionDeclaration* findTextAction(std::string_view name) const;

  // Where declared channels get their players; without one a channel plays nothing.
  void setAudioPlayerFactory(AudioPlayerFactory factory) { playerFactory_ = std::move(factory); }
  Channel& addChannel(std::string_view name, bool positional, int performanceChannels);

  bool allActionsFinished() const;
  // A picture or a sound was loaded in this frame.
  void noteLoad() { loadedThisFrame_ = true; }

  // Declared actions in declaration order.
  Action& declareAction(std::string_view name, ActionKind kind, int fontIndex = -1);
  const std::vector<ActionDeclaration>& actions() const { return actions_; }
  // Fonts come from this library (shared with the font menu); without one the engine opens its own
  // with its first font.
  void setFontLibrary(FontLibrary* library) { sharedFontLibrary_ = library; }
  // The font table entry of a height, created with the current face when missing.
  int fontIndexForHeight(int height);
  const std::vector<FontEntry>& fonts() const { return fonts_; }

  GraphicsDevice& device() { return device_; }
  InputDevices& input() { return input_; }
  const MouseState& mouse() const { return mouse_; }
  Scene& scene() { return *scene_; }
  ChannelList& channels() { return channels_; }
  ScriptRandom& random() { return random_; }

 private:
  GraphicsDevice& device_;
  ScriptRandom random_;
  std::unique_ptr<Scene> scene_;
  ChannelList channels_;
  InputDevices& input_;
  const MouseState& mouse_;
  std::vector<std::unique_ptr<Command>> ownedCommands_;
  std::vector<Command*> commands_;
  std::int32_t programCounter_ = 0;
  std::deque<Variable> variables_;
  std::vector<ActionDeclaration> actions_;
  // Indexes beside the tables: first declaration of each name.
  NameIndex actionIndex_;
  NameIndex textActionIndex_;
  NameIndex variableIndex_;
  NameIndex layerIndex_;
  std::vector<LayerDeclaration> layers_;
  std::deque<MacroDeclaration> macros_;
  NameIndex macroIndex_;
  AudioPlayerFactory playerFactory_;
  FontLibrary* sharedFontLibrary_ = nullptr;
  std::unique_ptr<FontLibrary> ownFontLibrary_;  // opened with the first font when none is shared
  FontLibrary* fontLibrary();
  std::vector<FontEntry> fonts_;
  std::string fontFace_;
  bool loadedThisFrame_ = false;
};

}  // namespace tavrik
