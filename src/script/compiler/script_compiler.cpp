#include "script/compiler/script_compiler.h"

#include "platform/script_path.h"
#include "script/compiler/keywords.h"
#include "script/compiler/sjis_text.h"
#include "script/runtime/script_engine.h"

namespace tavrik {

namespace {

// Carries the error from deep inside a compile (inserted files, owned lines) out to compileMain.
struct CompileFailure {
  ScriptError error;
};

}  // namespace

// Directive heads in matching order: the first row whose keyword equals the head handles the line.
// Heads built from declared names (macros, layers, channels) are tried after the keywords.
const ScriptCompiler::HeadRow ScriptCompiler::kHeadTable[] = {
    {kw::kTitle, &ScriptCompiler::title},
    {kw::kWaitAction, &ScriptCompiler::waitAction},
    {kw::kWaitTime, &ScriptCompiler::waitTime},
    {kw::kWaitInput, &ScriptCompiler::waitInput},
};

std::optional<ScriptError> ScriptCompiler::compileMain(const std::string& scriptPath) {
  try {
    compileFile(scriptPath);
  } catch (CompileFailure& failure) {
    return std::move(failure.error);
  }
  return std::nullopt;
}

void ScriptCompiler::compileFile(const std::string& path) {
  Context context;
  context.path = path;
  context.directory = std::string(sjis::directoryOf(path));
  context.currentList = &engine_.commands();
  // A file that cannot be found or read has no lines and compiles to nothing.
  if (std::optional<std::filesystem::path> native = paths::resolve(path)) context.lines.load(*native);

  Context* outer = context_;
  context_ = &context;
  for (context.index = 0; context.index < context.lines.size(); ++context.index) {
    compileLine(normalizeLine(context.lines[context.index]));
  }
  context_ = outer;
}

void ScriptCompiler::compileLine(const std::string& normalized) {
  if (isCommentLine(normalized)) return;
  if (normalized[0] != '#') fail(std::string(kw::kMsgNeedHash));
  // Every "#" goes, not only the first: one inside a title or a name disappears too.
  const std::string line = sjis::replaceAll(normalized, "#", "");
  const DirectiveFields fields = splitDirective(line);
  for (const HeadRow& row : kHeadTable) {
    if (fields.head == row.keyword) {
      (this->*row.handler)(fields);
      return;
    }
  }
  fail(std::string(kw::kMsgUndeclaredHead));
}

void ScriptCompiler::fail(std::string message) const {
  ScriptError error;
  error.path = context_->path;
  error.lines = context_->lines.lines();
  error.index = context_->index;
  error.message = std::move(message);
  throw CompileFailure{std::move(error)};
}

void ScriptCompiler::append(Command& command) {
  context_->currentList->push_back(&command);
}

void ScriptCompiler::title(const DirectiveFields& f) {
  append(engine_.makeCommand<SetTitleCommand>(std::string(f.firstArg)));
}

void ScriptCompiler::waitAction(const DirectiveFields& f) {
  if (!f.firstArg.empty()) {
    // No layer or channel can be named yet: every name is undeclared.
    std::string message(kw::kMsgUndeclaredTargetOpen);
    message.append(f.firstArg).append(kw::kMsgUndeclaredTargetClose);
    fail(std::move(message));
  }
  append(engine_.makeCommand<WaitActionCommand>());
}

void ScriptCompiler::waitTime(const DirectiveFields& f) {
  append(engine_.makeCommand<WaitTimeCommand>(sjis::parseInt(f.firstArg)));
}

void ScriptCompiler::waitInput(const DirectiveFields&) {
  append(engine_.makeCommand<WaitInputCommand>());
}

}  // namespace tavrik
