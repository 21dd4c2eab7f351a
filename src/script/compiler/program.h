// A compiled script: the commands, the declaration tables and where every command came from. It is
// made once by the compiler and never changes; engines run it, any number of them.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <variant>
#include <vector>

#include "base/action.h"

namespace tavrik {

enum class LayerKind : std::uint8_t { Simple = 0, Person = 1, Text = 2 };
enum class ActionKind : std::uint8_t { Plain = 0, Eye = 1, Mouth = 2, Text = 3 };

// A layer that is a choice button: the value it reports, how large it grows under the cursor and by how
// much each frame.
struct ChoiceDeclaration {
  std::int32_t value = 0;
  float zoomMax = 1.0f;
  float zoomStep = 0.0f;
};

struct LayerDeclaration {
  std::string name;  // Shift-JIS
  LayerKind kind = LayerKind::Simple;
  // The picture's size (a text layer's glyph atlas); 0 or less means the screen's.
  std::int32_t width = 0;
  std::int32_t height = 0;
  // Text layers: where the characters hang from, relative to the layer's position.
  std::int32_t originX = 0;
  std::int32_t originY = 0;
  std::optional<ChoiceDeclaration> choice;
};

struct ChannelDeclaration {
  std::string name;         // Shift-JIS
  bool positional = false;  // a sound-effect channel, heard where it is
  std::int32_t performanceChannels = 0;
};

struct ActionDeclaration {
  std::string name;  // Shift-JIS
  ActionKind kind = ActionKind::Plain;
  Action action;
};

// Comparison operator codes of conditions, and assignment codes after them.
enum class Comparison : std::uint8_t {
  Equal = 0,
  NotEqual = 1,
  GreaterEqual = 2,
  LessEqual = 3,
  Greater = 4,
  Less = 5
};
enum class Assignment : std::uint8_t { Add = 6, Subtract = 7, Multiply = 8, Divide = 9, Set = 10 };

// What a wait or an action start acts on: a layer or a channel by its index in its table, or (for the
// wait) every one of them.
struct Target {
  enum class Kind : std::uint8_t { Everything, Layer, Channel };
  Kind kind = Kind::Everything;
  std::int32_t index = -1;

  bool operator==(const Target&) const = default;
};

// The commands: small values whose indices refer to the program's tables (a variable index of -1 means
// "none"); the texts they carry are kept in the program's texts.
//
// Adds offset to the program counter: always without a left operand, otherwise when the comparison of
// the left variable with the right one (or the constant) comes out as jumpWhen. Offsets are relative, so
// a command of a macro body jumps correctly wherever the body was put.
struct JumpCommand {
  std::int32_t offset = 0;
  std::int32_t left = -1;
  std::int32_t right = -1;
  float constant = 0.0f;
  Comparison comparison = Comparison::Equal;
  bool jumpWhen = true;
};
// Lets that many frames pass (a negative count never ends).
struct WaitTimeCommand {
  std::int32_t frames = 0;
};
// Waits for a new press of the left button or the decide button.
struct WaitInputCommand {};
// Waits until the actions of the target have ended.
struct WaitActionCommand {
  Target target;
};
struct LoadImageCommand {
  std::int32_t layer = 0;
  std::int32_t path = 0;  // a script path, suffix optional
};
struct LoadSoundCommand {
  std::int32_t channel = 0;
  std::int32_t path = 0;
};
// Starts an action on a layer or a channel.
struct StartActionCommand {
  Target target;
  std::int32_t action = 0;
};
// Starts an action on a person layer's eyes or mouth.
struct SetEyeActionCommand {
  std::int32_t layer = 0;
  std::int32_t action = 0;
};
struct SetMouthActionCommand {
  std::int32_t layer = 0;
  std::int32_t action = 0;
};
// New text on a text layer, character i typed out by the i-th of the actions.
struct ShowTextCommand {
  std::int32_t layer = 0;
  std::int32_t text = 0;     // Shift-JIS
  std::int32_t actions = 0;  // in the program's characterActions
};
// Starts one action on the characters a text layer already shows.
struct RestartTextCommand {
  std::int32_t layer = 0;
  std::int32_t action = 0;
};
// Combines a variable with a variable or a constant in 32-bit float arithmetic.
struct AssignCommand {
  std::int32_t target = 0;
  std::int32_t source = -1;
  float constant = 0.0f;
  Assignment operation = Assignment::Set;
};
// Waits for a click on a choice button; its value goes to the choice result.
struct WaitChoiceCommand {};
struct SetTitleCommand {
  std::int32_t title = 0;  // Shift-JIS
};

using Command =
    std::variant<JumpCommand, WaitTimeCommand, WaitInputCommand, WaitActionCommand, LoadImageCommand,
                 LoadSoundCommand, StartActionCommand, SetEyeActionCommand, SetMouthActionCommand,
                 ShowTextCommand, RestartTextCommand, AssignCommand, WaitChoiceCommand, SetTitleCommand>;

// Where a command came from: a file of the program and a zero-based line of it.
struct SourceLine {
  std::int32_t file = 0;
  std::int32_t line = 0;
};

struct SourceFile {
  std::string path;  // the script path the compile read (Shift-JIS)
};

// Name indexes looked up with string views, without building a string per lookup.
struct NameHash {
  using is_transparent = void;
  std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
};
using NameIndex = std::unordered_map<std::string, std::int32_t, NameHash, std::equal_to<>>;

struct Program {
  // Every command once, with the line it came from beside it.
  std::vector<Command> commands;
  std::vector<SourceLine> sources;
  // The list the program counter walks: indices into commands. The commands of a macro body stand at
  // every place the macro is used.
  std::vector<std::int32_t> code;
  // Beside code: the line that put each position there. A macro's commands stand at the line that used
  // the macro, where the author reads them.
  std::vector<SourceLine> sites;

  // Declarations in declaration order; a lookup by name finds the first of a name. Layers are drawn
  // in this order. The first variable is the choice result.
  std::vector<LayerDeclaration> layers;
  std::vector<ChannelDeclaration> channels;
  std::vector<ActionDeclaration> actions;
  std::vector<std::string> variables;
  // The font heights text actions asked for; an action's fontIndex points in here.
  std::vector<std::int32_t> fontHeights;
  // What commands carry: titles, file names and text, and the action of each character of a text.
  std::vector<std::string> texts;
  std::vector<std::vector<std::int32_t>> characterActions;

  // Every file compiled, the main script first; the main script's folder (script form, ending in "\"
  // or empty), which the names of pictures and sounds begin with.
  std::vector<SourceFile> files;
  std::string directory;
  // A hash of every compiled file's bytes: a stored game state belongs to the program it was taken
  // from.
  std::uint64_t identity = 0;

  const Command& commandAt(std::size_t position) const {
    return commands[static_cast<std::size_t>(code[position])];
  }
  const SourceLine& sourceAt(std::size_t position) const {
    return sources[static_cast<std::size_t>(code[position])];
  }
  // Where the author wrote the position: its site, or for a program made without sites its command's line.
  const SourceLine& siteAt(std::size_t position) const {
    return position < sites.size() ? sites[position] : sourceAt(position);
  }
  const std::string& text(std::int32_t index) const { return texts[static_cast<std::size_t>(index)]; }

  // The first of a name, or -1.
  std::int32_t findLayer(std::string_view name) const { return find(layerIndex, name); }
  std::int32_t findChannel(std::string_view name) const { return find(channelIndex, name); }
  std::int32_t findAction(std::string_view name) const { return find(actionIndex, name); }
  std::int32_t findTextAction(std::string_view name) const { return find(textActionIndex, name); }
  std::int32_t findVariable(std::string_view name) const { return find(variableIndex, name); }

  // Indexes beside the tables: the first declaration of each name.
  NameIndex layerIndex;
  NameIndex channelIndex;
  NameIndex actionIndex;
  NameIndex textActionIndex;
  NameIndex variableIndex;

 private:
  static std::int32_t find(const NameIndex& index, std::string_view name) {
    const auto it = index.find(name);
    return it == index.end() ? -1 : it->second;
  }
};

}  // namespace tavrik
