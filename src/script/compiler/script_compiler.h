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
#include <unordered_set>
#include <vector>

#include "base/files.h"
#include "base/hash.h"
#include "base/line_file.h"
#include "base/script_error.h"
#include "base/sjis_text.h"
#include "script/compiler/lexer.h"
#include "script/compiler/program.h"

namespace tavrik {

// The program of a script, or the first error, which stops the compile.
struct CompileResult {
  std::shared_ptr<const Program> program;  // null when the compile failed
  std::optional<ScriptError> error;
};

// Where something stands in a compiled file.
struct NoteSite {
  std::int32_t file = 0;   // in the program's files
  std::int32_t line = -1;  // zero-based; -1 for what no line declared (the choice result)
  // Byte offset of the subject in the line's normalised form (every "#" removed, or kept for the lines
  // an action declaration owns); -1 when not known.
  std::int32_t offset = -1;
  bool hashesRemoved = true;
};

// What a compile that goes on past errors keeps for the lint: every problem it met, where each name was
// declared, and the lines of every file it read.
struct CompileNotes {
  // After this many problems the compile stops: a file that is not a script at all says enough by then.
  static constexpr std::size_t kMaxProblems = 10'000;

  enum class Problem : std::uint8_t {
    Error,             // a compile error not named below
    NeedHash,          // a line that is no directive where none may stand
    MissingTextColon,  // a text directive without "：" followed by text lines
    UndeclaredHead,    // a head that matches no keyword, macro, layer or channel form
    UndeclaredTarget,  // "動作待機" names no layer or channel
    UndefinedVariable,
    UnknownBaseAction,
    UnknownAttribute,          // a keyframe line's attribute
    UnknownTag,                // a tag naming no text action
    NotANumber,                // a number that reads as something else than written
    ExtraFields,               // more values than the directive reads: a decimal point written as a comma?
    NeitherVariableNorNumber,  // the right side of an assignment or a condition, read as 0
    OpenBlock,                 // a condition or loop still open at the end of its file
    OpenBlockInside,           // a condition or loop still open when the block around it ends
    OpenMacro,                 // a macro body still open at the end of its file
    MissingKeyframeValue,      // a keyframe line without its value, read as 0
    MissingWaitTime,           // a time wait without its frames, read as 0
    MissingChoiceValues,       // a choice declaration with fewer values than it takes, read as 0
    UnusedArgument,            // an argument to a directive that takes none
  };
  struct Note {
    Problem problem = Problem::Error;
    NoteSite site;
    std::string subject;   // the name or text in question (Shift-JIS, normalised but for text lines)
    std::string message;   // the compile error's own message (Shift-JIS); empty for what is no error
    bool integer = false;  // NotANumber: read as a whole number
  };
  std::vector<Note> notes;
  // Problems past kMaxProblems are not kept: how many, and where the first of them stands. From then on
  // the compile stops at the next line it would read, rather than read on only to say more.
  std::size_t leftOut = 0;
  std::optional<NoteSite> firstLeftOut;
  bool stoppedShort = false;  // lines were left unread so

  // Keeps a problem unless it repeats one kept (a file inserted twice says the same twice) or
  // kMaxProblems are kept. False when it was not kept.
  bool add(Note note);
  bool full() const { return firstLeftOut.has_value(); }

  // Where each entry of the program's tables was declared.
  std::vector<NoteSite> layers;
  std::vector<NoteSite> channels;
  std::vector<NoteSite> actions;
  std::vector<NoteSite> variables;
  struct Macro {
    std::string name;
    NoteSite site;
    bool used = false;
  };
  std::vector<Macro> macros;
  // Actions named as the base of another, layers' choice declarations, inserted files.
  std::vector<std::int32_t> baseActions;
  std::vector<std::pair<std::int32_t, NoteSite>> choices;
  std::vector<std::pair<std::string, NoteSite>> inserts;
  // Every compiled file's lines in Shift-JIS, by its index in the program's files.
  std::vector<LineFile> lines;

 private:
  std::unordered_set<std::string> kept_;  // what each kept note is about, to tell a repeat
};

// Compiles the main script (a Shift-JIS script path). A script that cannot be found or read, the main
// one or an inserted one, is a compile error; so is one larger than kMaxScriptSize.
CompileResult compileScript(const std::string& scriptPath);
// Compiles past errors: a line in error is noted and skipped, and the program holds what the other lines
// gave (never null, never an error in the result).
CompileResult compileScript(const std::string& scriptPath, CompileNotes& notes);

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
  // Larger script files are not read: a long game's scripts come to a few megabytes.
  static constexpr std::uintmax_t kMaxScriptSize = 64u * 1024 * 1024;

  // With notes, the compile goes on past errors and keeps what the lint needs there.
  explicit ScriptCompiler(CompileNotes* notes = nullptr);
  CompileResult compileMain(const std::string& scriptPath);
  // Every keyword a head can be, in matching order.
  static std::vector<std::string_view> keywordHeads();

 private:
  enum class BlockKind { Condition, LoopTopCondition, LoopBottomCondition };
  struct BlockEntry {
    BlockKind kind;
    std::int32_t
        jump;   // the jump that opened the block (a command index); -1 for a loop tested at the bottom
    int start;  // index in the current list where the block starts
    int line;   // where it was opened
  };
  using CommandList = std::vector<std::int32_t>;

  struct Source;

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
  };

  // A named command sequence; using the macro puts these same commands where it is used.
  struct Macro {
    std::string name;
    CommandList commands;
    NoteSite site;
    bool used = false;
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
  const Source& source(const std::string& path);
  // The compile error for a file that is not there or cannot be read: at the line inserting it, or for
  // the main script its own.
  [[noreturn]] void unreadable(const std::string& path, const Source& from) const;

  using Handler = void (ScriptCompiler::*)(const DirectiveFields&);
  struct HeadRow {
    std::string_view keyword;
    Handler handler;
  };
  static const HeadRow kKeywordRows[];
  static const HeadRow kInsertRow;

  void compileFile(const std::string& path);
  // The first line from `from` on that is not empty: an empty line says nothing, and a file may hold
  // millions.
  static int nextLine(const Context& context, int from);
  void compileRaw(std::string_view line);
  void compileLine(const std::string& normalized);
  bool matchDeclaredObject(const DirectiveFields& f);
  [[noreturn]] void fail(std::string message, CompileNotes::Problem problem = CompileNotes::Problem::Error,
                         std::string_view subject = {}) const;

  // Noting: what goes on past an error, and what only the lint asks for. Each does nothing, or fails,
  // when the compile keeps no notes.
  using Problem = CompileNotes::Problem;
  // Notes a problem that the compile can go on from where it stands; fails when it keeps no notes.
  void problem(std::string message, Problem problem, std::string_view subject);
  // Where subject (a view into the line being compiled, or anything else) stands on the current line.
  NoteSite site(std::string_view subject = {}) const;
  void note(Problem problem, std::string_view subject, bool integer = false);
  void compileLinesNoting(Context& context);
  void textColonForgotten();
  void noteOpenBlocks(const Context& context);
  // An end that finds blocks of the other kind open inside its own closes them there, when the compile
  // keeps notes, and notes each at its line (the normal compile reports the end as unmatched).
  void closeInnerBlocks(bool loopEnd);
  // Where the current line ends, as a subject for what is missing from it.
  std::string_view lineEnd() const { return noteLine_.substr(noteLine_.size()); }
  // Numbers read from a field of text, checked when noting.
  std::int32_t intField(std::string_view text, int k) {
    const std::string_view value = sjis::field(text, ",", k);
    if (notes_) checkNumber(value, true);
    return sjis::parseInt(value);
  }
  float floatField(std::string_view text, int k) {
    const std::string_view value = sjis::field(text, ",", k);
    if (notes_) checkNumber(value, false);
    return sjis::parseFloat(value);
  }
  void checkNumber(std::string_view value, bool integer);
  // The right side of a condition or an assignment that names no variable: a misspelt one reads as 0.
  void checkOperand(std::string_view operand);
  // More values than a directive reads (count of them) are noted.
  void checkFieldCount(std::string_view text, int count) {
    if (notes_) noteExtraFields(text, count);
  }
  void noteExtraFields(std::string_view text, int count);

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
  // An argument given to a directive that takes none is noted: it is not read.
  void noteUnusedArgument(const DirectiveFields& f);
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

  CompileNotes* notes_ = nullptr;
  std::string_view noteLine_;  // the normalised line that sites are offsets into
  bool noteLineHashesRemoved_ = true;
  // A text directive without "：" on the last directive line: where, and what it would have shown.
  int restartLine_ = -1;
  std::int32_t restartLayer_ = 0;
  std::int32_t restartAction_ = 0;
  std::int32_t restartOffset_ = 0;

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
  ContentHash identity_;                         // over every compiled file's bytes
};

// The text of a file that is valid UTF-8 and not plain ASCII, as Shift-JIS (a leading byte order mark
// dropped); nothing for other files.
std::optional<std::string> utf8TextAsSjis(std::string_view bytes);

}  // namespace tavrik
