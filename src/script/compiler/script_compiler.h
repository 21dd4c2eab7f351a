// Turns script files into a program: commands and declaration tables.
//
// Each directive line is normalised, split into head and arguments, and matched against the head table
// (keywords, then macro names, then heads built from declared layers and channels). Declarations take
// effect at once; statements append commands to the current list (the main program, or a macro body).
// Nothing here needs a display, fonts or sound.
#pragma once

#include <cstdint>
#include <deque>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "base/hash.h"
#include "base/line_file.h"
#include "base/script_error.h"
#include "script/compiler/lexer.h"
#include "script/compiler/program.h"

namespace tavrik {

// The program of a script, or the first error, which stops the compile.
struct CompileResult {
  std::shared_ptr<const Program> program;  // null when the compile failed
  std::optional<ScriptError> error;
};

// Compiles the main script (a Shift-JIS script path). A file that cannot be found or read compiles to
// nothing.
CompileResult compileScript(const std::string& scriptPath);

class ScriptCompiler {
 public:
  // Inserted files may nest this deep; a script that inserts itself is reported before that.
  static constexpr int kMaxInsertDepth = 32;
  // A program holds at most this many commands in its lists, macros expanded and files inserted (a
  // macro used in itself doubles at every use); files are inserted at most so many times, bringing at
  // most so many lines in all (a file inserting the next twice, thirty deep, would compile a billion
  // times).
  static constexpr std::size_t kMaxCommands = 10'000'000;
  static constexpr std::size_t kMaxInserts = 100'000;
  static constexpr std::size_t kMaxInsertedLines = 4'000'000;

  ScriptCompiler();
  CompileResult compileMain(const std::string& scriptPath);

 private:
  enum class BlockKind { Condition, LoopTopCondition, LoopBottomCondition };
  struct BlockEntry {
    BlockKind kind;
    std::int32_t
        jump;   // the jump that opened the block (a command index); -1 for a loop tested at the bottom
    int start;  // index in the current list where the block starts
  };
  using CommandList = std::vector<std::int32_t>;

  // The compile state of one file; inserted files get their own.
  struct Context {
    std::string path;       // as handed to the compile (Shift-JIS script path)
    std::string directory;  // up to and including the last "\"; pictures, sounds and inserts are joined to it
    std::int32_t file = 0;  // its entry in the program's files
    LineFile lines;         // Shift-JIS lines the compiler reads
    std::vector<std::string> writtenLines;  // the lines as the author wrote them, when they were UTF-8
    int index = 0;
    CommandList* currentList = nullptr;
    std::vector<BlockEntry> blocks;
    std::size_t macroBlockDepth = 0;  // open blocks when the current macro began
    std::filesystem::path native;     // the file, for finding a script that inserts itself
  };

  // A named command sequence; using the macro puts these same commands where it is used.
  struct Macro {
    std::string name;
    CommandList commands;
  };

  // A script file as read: what every insertion of it starts from.
  struct Source {
    std::int32_t file = 0;  // its entry in the program's files
    std::string bytes;
    std::vector<std::string> lines;         // Shift-JIS
    std::vector<std::string> writtenLines;  // as written, when they were UTF-8
    std::filesystem::path native;           // canonical, empty when not found
  };
  const Source& source(const std::string& path);

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

  // A new command from the current line; its index.
  std::int32_t makeCommand(Command command);
  // Keeps a text for the commands; its index.
  std::int32_t addText(std::string text);
  void append(std::int32_t command);
  void appendNew(Command command) { append(makeCommand(std::move(command))); }
  JumpCommand& jump(std::int32_t command) {
    return std::get<JumpCommand>(program_->commands[static_cast<std::size_t>(command)]);
  }
  // The jump at list index `from` continues at index `to`.
  void setJumpTarget(std::int32_t command, int from, int to) { jump(command).offset = to - from - 1; }
  bool inMacro() const;
  void declarationChecks() const;
  Macro* findMacro(std::string_view name);

  // Declarations.
  void declareSimpleLayer(const DirectiveFields& f);
  void declarePersonLayer(const DirectiveFields& f);
  void declareTextLayer(const DirectiveFields& f);
  void declareMusicChannel(const DirectiveFields& f);
  void declareSoundChannel(const DirectiveFields& f);
  void declareVariables(const DirectiveFields& f);
  void declareAction(const DirectiveFields& f);
  void declareChoice(std::int32_t layer, const DirectiveFields& f);
  void declarePictureLayer(const DirectiveFields& f, bool person);
  void declareChannel(const DirectiveFields& f, bool positional);
  void addLayer(LayerDeclaration layer);
  void addVariable(std::string_view name);
  std::int32_t fontIndexForHeight(std::int32_t height);
  void readKeyframes(Action& action);

  // Statements.
  void title(const DirectiveFields& f);
  void waitAction(const DirectiveFields& f);
  void waitTime(const DirectiveFields& f);
  void waitInput(const DirectiveFields& f);
  void waitChoice(const DirectiveFields& f);
  void expression(const DirectiveFields& f);
  void layerAction(std::int32_t layer, std::int32_t action);
  void textBlock(std::int32_t layer, std::int32_t action);

  // Blocks, macros and insertion.
  void condition(const DirectiveFields& f);
  void conditionEnd(const DirectiveFields& f);
  void loop(const DirectiveFields& f);
  void loopEnd(const DirectiveFields& f);
  void macroDeclaration(const DirectiveFields& f);
  void macroDeclarationEnd(const DirectiveFields& f);
  void insertFile(const DirectiveFields& f);

  // Conditions and assignments.
  std::int32_t compileCondition(std::string_view text, bool jumpWhen);
  std::int32_t compileAssignment(std::string_view text);

  std::unique_ptr<Program> program_;
  std::deque<Macro> macros_;  // stable addresses: the current list may be a body
  NameIndex macroIndex_;
  Context* context_ = nullptr;
  std::string line_;   // the current directive line, normalised and without "#"
  int lineIndex_ = 0;  // where that line is in its file
  std::vector<Context*> insertStack_;
  std::size_t listed_ = 0;         // entries in every command list so far
  std::size_t inserts_ = 0;        // insertions so far
  std::size_t insertedLines_ = 0;  // lines of inserted files so far
  std::unordered_map<std::string, Source> sources_;
  std::unordered_map<std::string, bool> found_;  // insertion names looked up
  ContentHash identity_;  // over every compiled file's bytes
};

// A file that is valid UTF-8 and not plain ASCII, read as Shift-JIS; nothing for other files.
std::optional<std::vector<std::string>> utf8LinesAsSjis(const std::vector<std::string>& lines);

}  // namespace tavrik
