// Turns script files into the engine's commands and declaration tables.
//
// Each directive line is normalised, split into head and arguments, and matched against the head table
// (keywords, then macro names, then heads built from declared layers and channels). Declarations take
// effect at once; statements append commands to the current list (the main program, or a macro body).
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "script/compiler/lexer.h"
#include "script/compiler/line_file.h"
#include "script/runtime/script_error.h"

namespace tavrik {

class Action;
class Channel;
class Command;
class JumpCommand;
class ScriptEngine;
class SimpleLayer;
struct ActionDeclaration;
struct LayerDeclaration;

class ScriptCompiler {
 public:
  // Inserted files may nest this deep; a script that inserts itself is reported before that.
  static constexpr int kMaxInsertDepth = 32;

  explicit ScriptCompiler(ScriptEngine& engine) : engine_(engine) {}

  // Compiles the main script; the first error is returned.
  std::optional<ScriptError> compileMain(const std::string& scriptPath);

 private:
  enum class BlockKind { Condition, LoopTopCondition, LoopBottomCondition };
  struct BlockEntry {
    BlockKind kind;
    JumpCommand* jump;  // the jump that opened the block; null for a loop tested at the bottom
    int start;          // index in the current list where the block starts
  };

  // The compile state of one file; inserted files get their own.
  struct Context {
    std::string path;       // as handed to the compile (Shift-JIS script path)
    std::string directory;  // up to and including the last "\"; pictures, sounds and inserts are joined to it
    LineFile lines;         // Shift-JIS lines the compiler reads
    std::vector<std::string> writtenLines;  // the lines as the author wrote them, when they were UTF-8
    int index = 0;
    std::vector<Command*>* currentList = nullptr;
    std::vector<BlockEntry> blocks;
    std::size_t macroBlockDepth = 0;  // open blocks when the current macro began
    std::filesystem::path native;     // the file, for finding a script that inserts itself
  };

  using Handler = void (ScriptCompiler::*)(const DirectiveFields&);
  struct HeadRow {
    std::string_view keyword;
    Handler handler;
  };
  static const HeadRow kKeywordRows[];
  static const HeadRow kInsertRow;

  void compileFile(const std::string& path);
  void compileLine(const std::string& normalized);
  bool matchDeclaredObject(const DirectiveFields& f);
  [[noreturn]] void fail(std::string message) const;

  void append(Command& command);
  bool inMacro() const;
  void declarationChecks() const;
  std::vector<Command*>& mainList();

  // Declarations.
  void declareSimpleLayer(const DirectiveFields& f);
  void declarePersonLayer(const DirectiveFields& f);
  void declareTextLayer(const DirectiveFields& f);
  void declareMusicChannel(const DirectiveFields& f);
  void declareSoundChannel(const DirectiveFields& f);
  void declareVariables(const DirectiveFields& f);
  void declareAction(const DirectiveFields& f);
  void declareChoice(SimpleLayer& layer, const DirectiveFields& f);
  void declarePictureLayer(const DirectiveFields& f, bool person);
  void declareChannel(const DirectiveFields& f, bool positional);
  void readKeyframes(Action& action);

  // Statements.
  void title(const DirectiveFields& f);
  void waitAction(const DirectiveFields& f);
  void waitTime(const DirectiveFields& f);
  void waitInput(const DirectiveFields& f);
  void waitChoice(const DirectiveFields& f);
  void expression(const DirectiveFields& f);
  void layerAction(const LayerDeclaration& layer, const ActionDeclaration& action);
  void textBlock(const LayerDeclaration& layer, const ActionDeclaration& action);

  // Blocks, macros and insertion.
  void condition(const DirectiveFields& f);
  void conditionEnd(const DirectiveFields& f);
  void loop(const DirectiveFields& f);
  void loopEnd(const DirectiveFields& f);
  void macroDeclaration(const DirectiveFields& f);
  void macroDeclarationEnd(const DirectiveFields& f);
  void insertFile(const DirectiveFields& f);

  // Conditions and assignments.
  JumpCommand& compileCondition(std::string_view text, bool jumpWhen);
  Command& compileAssignment(std::string_view text);

  ScriptEngine& engine_;
  Context* context_ = nullptr;
  std::string line_;  // the current directive line, normalised and without "#"
  std::vector<Context*> insertStack_;
};

// A file that is valid UTF-8 and not plain ASCII, read as Shift-JIS; nothing for other files.
std::optional<std::vector<std::string>> utf8LinesAsSjis(const std::vector<std::string>& lines);

}  // namespace tavrik
