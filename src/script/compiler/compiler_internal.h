// The compiler's parts, shared by its files and by nothing else: the compile of one script and the
// handlers of its directives.
//
// ScriptCompiler holds the compile's state and the few helpers every handler uses: reading a field,
// making and placing a command, and failing or noting a problem where the current line stands. The
// handlers are free functions over it, a family a file, so that the directive table in
// script_compiler.cpp names each one plainly and a family reads without the others: declarations.cpp,
// statements.cpp (text blocks too) and blocks.cpp (conditions, loops, macros and insertion).
// script_compiler.cpp reads the files and runs the table.
#pragma once

#include <cstdint>
#include <deque>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "base/files.h"
#include "base/hash.h"
#include "base/line_file.h"
#include "base/sjis_text.h"
#include "script/compiler/lexer.h"
#include "script/compiler/program.h"
#include "script/compiler/script_compiler.h"

namespace tavrik::compile_detail {

using Problem = CompileNotes::Problem;
using CommandList = std::vector<std::int32_t>;

enum class BlockKind { Condition, LoopTopCondition, LoopBottomCondition };
struct BlockEntry {
  BlockKind kind;
  std::int32_t jump;  // the jump that opened the block (a command index); -1 for a loop tested at the bottom
  int start;          // index in the current list where the block starts
  int line;           // where it was opened
};

// A script file as read: what every insertion of it starts from.
struct Source {
  std::int32_t file = 0;  // its entry in the program's files
  ReadStatus status = ReadStatus::Ok;
  LineFile lines;                // Shift-JIS
  std::string written;           // the bytes as written when they were UTF-8, else empty
  bool utf8 = false;             // lines are converted from written
  std::filesystem::path native;  // canonical, empty when not found
  std::string_view bytes() const { return utf8 ? std::string_view(written) : lines.bytes(); }
};

// The compile state of one file; inserted files get their own.
struct Context {
  std::string path;       // as handed to the compile (Shift-JIS script path)
  std::string directory;  // up to and including the last "\"; pictures, sounds and inserts are joined to it
  std::int32_t file = 0;  // its entry in the program's files
  LineFile lines;         // Shift-JIS lines the compiler reads
  const Source* source = nullptr;
  int index = 0;
  CommandList* currentList = nullptr;
  std::vector<BlockEntry> blocks;
  std::size_t macroBlockDepth = 0;  // open blocks when the current macro began
  int macroLine = 0;                // where the current macro began
  std::filesystem::path native;     // the file, for finding a script that inserts itself

  // The first line from `from` on that is not empty: an empty line says nothing, and a file may hold
  // millions.
  int nextLine(int from) const { return static_cast<int>(lines.skipEmpty(static_cast<std::size_t>(from))); }
};

// A named command sequence; using the macro puts these same commands where it is used.
struct Macro {
  std::string name;
  CommandList commands;
  NoteSite site;
  bool used = false;
};

// The compile of one script. Its state is open: the handlers, free functions of this folder, are what
// reads and writes it, and nothing outside the compiler sees this header.
struct ScriptCompiler {
  // With notes, the compile goes on past errors and keeps what the lint needs there.
  explicit ScriptCompiler(CompileNotes* kept) : notes(kept), program(std::make_unique<Program>()) {}

  // Problems. A compile error ends the compile, or with notes the line it stands on.
  [[noreturn]] void fail(std::string message, Problem problem = Problem::Error,
                         std::string_view subject = {}) const;
  // Notes a problem that the compile can go on from where it stands; fails when it keeps no notes.
  void problem(std::string message, Problem problem, std::string_view subject);
  // What only the lint asks for; call only when the compile keeps notes.
  void note(Problem problem, std::string_view subject, bool integer = false);
  // Where subject (a view into the line being compiled, or anything else) stands on the current line.
  NoteSite site(std::string_view subject = {}) const;
  // Where the current line ends, as a subject for what is missing from it.
  std::string_view lineEnd() const { return noteLine.substr(noteLine.size()); }
  // An argument given to a directive that takes none is noted: it is not read.
  void noteUnusedArgument(const DirectiveFields& f) {
    if (notes && !f.firstArg.empty()) note(Problem::UnusedArgument, f.firstArg);
  }

  // Numbers read from a field of text, checked when noting.
  std::int32_t intField(std::string_view text, int k) {
    const std::string_view value = sjis::field(text, ",", k);
    if (notes) checkNumber(value, true);
    return sjis::parseInt(value);
  }
  float floatField(std::string_view text, int k) {
    const std::string_view value = sjis::field(text, ",", k);
    if (notes) checkNumber(value, false);
    return sjis::parseFloat(value);
  }
  void checkNumber(std::string_view value, bool integer);
  // The right side of a condition or an assignment that names no variable: a misspelt one reads as 0.
  void checkOperand(std::string_view operand);
  // More values than a directive reads (count of them) are noted.
  void checkFieldCount(std::string_view text, int count);

  // A new command from the current line; its index.
  std::int32_t makeCommand(Command command);
  // Keeps a text for the commands; its index.
  std::int32_t addText(std::string text);
  void append(std::int32_t command);
  void appendNew(Command command) { append(makeCommand(std::move(command))); }
  // The jump at list index `from` continues at index `to`.
  void setJumpTarget(std::int32_t command, int from, int to) {
    std::get<JumpCommand>(program->commands[static_cast<std::size_t>(command)]).offset = to - from - 1;
  }
  bool inMacro() const { return context->currentList != &program->code; }
  // Declarations stand in the main list, outside blocks.
  void declarationChecks() const;
  Macro* findMacro(std::string_view name);

  CompileNotes* const notes;  // null for the normal compile, which stops at the first error
  std::string_view noteLine;  // the normalised line that sites are offsets into
  bool noteLineHashesRemoved = true;
  // A text directive without "：" on the last directive line: where, and what it would have shown.
  struct Restart {
    int line = -1;
    std::int32_t layer = 0;
    std::int32_t action = 0;
    std::int32_t offset = 0;
  } restart;

  std::unique_ptr<Program> program;
  std::deque<Macro> macros;  // stable addresses: the current list may be a body
  NameIndex macroIndex;
  Context* context = nullptr;
  std::string line;   // the current directive line, normalised and without "#"
  int lineIndex = 0;  // where that line is in its file
  std::vector<Context*> insertStack;
  std::size_t listed = 0;         // entries in every command list so far
  std::size_t inserts = 0;        // insertions so far
  std::size_t insertedLines = 0;  // lines of inserted files so far
  std::unordered_map<std::string, Source> sources;
  std::unordered_map<std::string, bool> found;  // insertion names looked up
  ContentHash identity;                         // over every compiled file's bytes
};

// Reading files (script_compiler.cpp). A file is read once however often it is inserted.
const Source& source(ScriptCompiler& c, const std::string& path);
// Compiles a file's lines into the current list: the main script, or one inserted at the current line.
void compileFile(ScriptCompiler& c, const std::string& path);

// Declarations (declarations.cpp): layers, channels, variables and actions. They take effect while the
// script compiles and emit no command.
void declareSimpleLayer(ScriptCompiler& c, const DirectiveFields& f);
void declarePersonLayer(ScriptCompiler& c, const DirectiveFields& f);
void declareTextLayer(ScriptCompiler& c, const DirectiveFields& f);
void declareMusicChannel(ScriptCompiler& c, const DirectiveFields& f);
void declareSoundChannel(ScriptCompiler& c, const DirectiveFields& f);
void declareVariables(ScriptCompiler& c, const DirectiveFields& f);
void declareAction(ScriptCompiler& c, const DirectiveFields& f);
// A layer's choice head: the layer becomes a choice button.
void declareChoice(ScriptCompiler& c, std::int32_t layer, const DirectiveFields& f);
void addVariable(ScriptCompiler& c, std::string_view name);

// Statements (statements.cpp): each appends one command to the current list.
void title(ScriptCompiler& c, const DirectiveFields& f);
void waitAction(ScriptCompiler& c, const DirectiveFields& f);
void waitTime(ScriptCompiler& c, const DirectiveFields& f);
void waitInput(ScriptCompiler& c, const DirectiveFields& f);
void waitChoice(ScriptCompiler& c, const DirectiveFields& f);
void expression(ScriptCompiler& c, const DirectiveFields& f);
// A layer's action head; a text action with "：" gathers the text lines under it.
void layerAction(ScriptCompiler& c, std::int32_t layer, std::int32_t action);
void textBlock(ScriptCompiler& c, std::int32_t layer, std::int32_t action);

// Blocks, macros and insertion (blocks.cpp).
void condition(ScriptCompiler& c, const DirectiveFields& f);
void conditionEnd(ScriptCompiler& c, const DirectiveFields& f);
void loop(ScriptCompiler& c, const DirectiveFields& f);
void loopEnd(ScriptCompiler& c, const DirectiveFields& f);
void macroDeclaration(ScriptCompiler& c, const DirectiveFields& f);
void macroDeclarationEnd(ScriptCompiler& c, const DirectiveFields& f);
void insertFile(ScriptCompiler& c, const DirectiveFields& f);
// The command a condition or an assignment compiles to, in no list yet.
std::int32_t compileCondition(ScriptCompiler& c, std::string_view text, bool jumpWhen);
std::int32_t compileAssignment(ScriptCompiler& c, std::string_view text);

}  // namespace tavrik::compile_detail
