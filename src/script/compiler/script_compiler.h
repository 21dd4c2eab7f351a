// Turns script files into a program: commands and declaration tables.
//
// Each directive line is normalised, split into head and arguments, and matched against the head table
// (keywords, then macro names, then heads built from declared layers and channels). Declarations take
// effect at once; statements append commands to the current list (the main program, or a macro body).
// Nothing here needs a display, fonts or sound. compiler_internal.h holds the compile's own parts.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "base/line_file.h"
#include "base/script_error.h"
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

// Inserted files may nest this deep; a script that inserts itself is reported before that.
inline constexpr int kMaxInsertDepth = 32;
// A program holds at most this many commands in its lists, macros expanded and files inserted (a macro
// used in itself doubles at every use); files are inserted at most so many times, bringing at most so
// many lines in all (a file inserting the next twice, thirty deep, would compile a billion times).
inline constexpr std::size_t kMaxCommands = 10'000'000;
inline constexpr std::size_t kMaxInserts = 100'000;
inline constexpr std::size_t kMaxInsertedLines = 4'000'000;
// Larger script files are not read: a long game's scripts come to a few megabytes.
inline constexpr std::uintmax_t kMaxScriptSize = 64u * 1024 * 1024;

// Compiles the main script (a Shift-JIS script path). A script that cannot be found or read, the main
// one or an inserted one, is a compile error; so is one larger than kMaxScriptSize.
CompileResult compileScript(const std::string& scriptPath);
// Compiles past errors: a line in error is noted and skipped, and the program holds what the other lines
// gave (never null, never an error in the result).
CompileResult compileScript(const std::string& scriptPath, CompileNotes& notes);

// Every keyword a head can be, in matching order.
std::vector<std::string_view> keywordHeads();

// The text of a file that is valid UTF-8 and not plain ASCII, as Shift-JIS (a leading byte order mark
// dropped); nothing for other files.
std::optional<std::string> utf8TextAsSjis(std::string_view bytes);

}  // namespace tavrik
