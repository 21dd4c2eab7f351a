// Turns script files into the engine's commands and declaration tables.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "script/compiler/lexer.h"
#include "script/compiler/line_file.h"
#include "script/runtime/script_error.h"

namespace tavrik {

class Command;
class ScriptEngine;

class ScriptCompiler {
 public:
  explicit ScriptCompiler(ScriptEngine& engine) : engine_(engine) {}

  // Compiles the main script; the first error is returned.
  std::optional<ScriptError> compileMain(const std::string& scriptPath);

  // The compile state of one file; inserted files get their own.
  struct Context {
    std::string path;       // as handed to the compile (Shift-JIS script path)
    std::string directory;  // up to and including the last "\"; pictures, sounds and inserts are joined to it
    LineFile lines;
    int index = 0;
    std::vector<Command*>* currentList = nullptr;
  };

 private:
  using Handler = void (ScriptCompiler::*)(const DirectiveFields&);
  struct HeadRow {
    std::string_view keyword;
    Handler handler;
  };
  static const HeadRow kHeadTable[];

  // Compiles one file in place; throws CompileFailure on the first error.
  void compileFile(const std::string& path);
  void compileLine(const std::string& normalized);
  [[noreturn]] void fail(std::string message) const;

  void append(Command& command);

  // Statements.
  void title(const DirectiveFields& f);
  void waitAction(const DirectiveFields& f);
  void waitTime(const DirectiveFields& f);
  void waitInput(const DirectiveFields& f);

  ScriptEngine& engine_;
  Context* context_ = nullptr;
};

}  // namespace tavrik
