// Conditions, loops, macros and file insertion, and the conditions and assignments they are built from.
#include "base/keywords.h"
#include "base/messages.h"
#include "base/script_path.h"
#include "base/sjis_text.h"
#include "script/compiler/script_compiler.h"

namespace tavrik {

namespace {

int size(const std::vector<std::int32_t>& list) {
  return static_cast<int>(list.size());
}

}  // namespace

void ScriptCompiler::condition(const DirectiveFields& f) {
  if (f.firstArg.empty()) fail(jaSjis(MessageId::CompileNeedCondition));
  const std::int32_t jump = compileCondition(f.firstArg, false);
  context_->blocks.push_back({BlockKind::Condition, jump, size(*context_->currentList), context_->index});
  append(jump);
}

void ScriptCompiler::conditionEnd(const DirectiveFields& f) {
  noteUnusedArgument(f);
  closeInnerBlocks(false);
  std::vector<BlockEntry>& blocks = context_->blocks;
  if (blocks.empty()) fail(jaSjis(MessageId::CompileUnmatchedConditionEnd));
  const BlockEntry block = blocks.back();
  blocks.pop_back();
  if (block.kind != BlockKind::Condition) fail(jaSjis(MessageId::CompileUnmatchedConditionEnd));
  // When the condition fails the program goes on after the block.
  setJumpTarget(block.jump, block.start, size(*context_->currentList));
}

void ScriptCompiler::loop(const DirectiveFields& f) {
  const int start = size(*context_->currentList);
  if (f.firstArg.empty()) {
    context_->blocks.push_back({BlockKind::LoopBottomCondition, -1, start, context_->index});
    return;
  }
  const std::int32_t test = compileCondition(f.firstArg, true);
  context_->blocks.push_back({BlockKind::LoopTopCondition, test, start, context_->index});
  append(test);
}

void ScriptCompiler::loopEnd(const DirectiveFields& f) {
  closeInnerBlocks(true);
  std::vector<BlockEntry>& blocks = context_->blocks;
  if (blocks.empty()) fail(jaSjis(MessageId::CompileUnmatchedLoopEnd));
  const BlockEntry block = blocks.back();
  blocks.pop_back();
  CommandList& list = *context_->currentList;
  switch (block.kind) {
    case BlockKind::LoopBottomCondition: {
      if (f.firstArg.empty()) fail(jaSjis(MessageId::CompileNeedCondition));
      const std::int32_t test = compileCondition(f.firstArg, true);
      setJumpTarget(test, size(list), block.start);
      append(test);
      return;
    }
    case BlockKind::LoopTopCondition: {
      if (!f.firstArg.empty()) fail(jaSjis(MessageId::CompileConditionOnBothEnds));
      // Tested at the top, compiled as tested at the bottom: the first command jumps to the test, and
      // the test jumps back into the body while the condition holds.
      // The jump to the test stands where the test stood, and comes from the loop's own line.
      const std::int32_t toTest = makeCommand(JumpCommand{});
      program_->sources.back() = program_->sources[static_cast<std::size_t>(block.jump)];
      setJumpTarget(toTest, block.start, size(list));
      list[static_cast<std::size_t>(block.start)] = toTest;
      setJumpTarget(block.jump, size(list), block.start + 1);
      append(block.jump);
      return;
    }
    case BlockKind::Condition:
      fail(jaSjis(MessageId::CompileUnmatchedLoopEnd));
  }
}

void ScriptCompiler::closeInnerBlocks(bool loopEnd) {
  if (!notes_) return;
  std::vector<BlockEntry>& blocks = context_->blocks;
  auto ends = [&](const BlockEntry& block) { return (block.kind != BlockKind::Condition) == loopEnd; };
  // Blocks opened before the current macro began are not this list's.
  const std::size_t floor = inMacro() ? context_->macroBlockDepth : 0;
  std::size_t match = blocks.size();
  while (match > floor && !ends(blocks[match - 1])) --match;
  if (match == floor || match == blocks.size()) return;
  const CommandList& list = *context_->currentList;
  while (blocks.size() > match) {
    const BlockEntry inner = blocks.back();
    blocks.pop_back();
    const std::string_view head = inner.kind == BlockKind::Condition ? kw::kCondition : kw::kLoop;
    notes_->add(
        {Problem::OpenBlockInside, NoteSite{context_->file, inner.line}, std::string(head), {}, false});
    // A condition ends here; a loop left open runs its body once, as at the end of a file.
    if (inner.kind == BlockKind::Condition) setJumpTarget(inner.jump, inner.start, size(list));
  }
}

void ScriptCompiler::macroDeclaration(const DirectiveFields& f) {
  declarationChecks();
  if (findMacro(f.firstArg)) {
    fail(jaSjis(MessageId::CompileMacroExists, {f.firstArg}));
  }
  macroIndex_.emplace(std::string(f.firstArg), static_cast<std::int32_t>(macros_.size()));
  macros_.push_back(Macro{std::string(f.firstArg), {}, site(f.firstArg)});
  context_->currentList = &macros_.back().commands;
  context_->macroBlockDepth = context_->blocks.size();
  context_->macroLine = context_->index;
}

void ScriptCompiler::macroDeclarationEnd(const DirectiveFields& f) {
  noteUnusedArgument(f);
  if (!inMacro()) fail(jaSjis(MessageId::CompileUnmatchedMacroEnd));
  // A block opened in the body and left open would be closed in another list with a wrong jump.
  if (context_->blocks.size() != context_->macroBlockDepth) fail(jaSjis(MessageId::CompileBlockAcrossMacro));
  context_->currentList = &program_->code;
}

void ScriptCompiler::insertFile(const DirectiveFields& f) {
  if (inMacro()) fail(jaSjis(MessageId::CompileInsertInMacro));
  if (!context_->blocks.empty()) fail(jaSjis(MessageId::CompileInsertInBlock));
  std::string path = context_->directory;
  path += f.firstArg;
  // An empty name leaves the path at the script's own folder, which the search finds: it names no
  // script, wherever the script lives.
  const bool named = !f.firstArg.empty();
  // A folder of the name (scenes beside scenes.tvk) is no script: the name with ".tvk" is looked for
  // then, as when nothing has the name.
  auto exists = [this](const std::string& name) {
    auto [at, added] = found_.try_emplace(name, false);
    if (added) {
      // (What the search finds but names no file, wildcards aside, is a folder.)
      const bool wildcard = name.find_first_of("*?") != std::string::npos;
      at->second = paths::exists(name) && (wildcard || paths::resolve(name).has_value());
    }
    return at->second;
  };
  if (!named || !exists(path)) {
    path += ".tvk";
    if (!named || !exists(path)) {
      fail(jaSjis(MessageId::CompileScriptNotFound, {paths::forMessage(path)}));
    }
  }
  // A file that inserts itself, directly or through others, would never end.
  if (const std::filesystem::path& canonical = source(path).native; !canonical.empty()) {
    for (const Context* open : insertStack_) {
      if (!open->native.empty() && open->native == canonical) {
        fail(jaSjis(MessageId::CompileScriptInsertsItself, {paths::forMessage(path)}));
      }
    }
  }
  if (static_cast<int>(insertStack_.size()) > kMaxInsertDepth) fail(jaSjis(MessageId::CompileInsertTooDeep));
  if (notes_) notes_->inserts.emplace_back(path, site(f.firstArg));
  compileFile(path);
}

namespace {

// Finds the first operator of the list that occurs in text: its code and position.
struct Operator {
  int code = -1;
  std::string_view text;
  long position = -1;
};

template <std::size_t N>
Operator findOperator(std::string_view text, const std::pair<std::string_view, int> (&operators)[N]) {
  for (const auto& [op, code] : operators) {
    const long position = sjis::findText(text, op);
    if (position >= 0) return {code, op, position};
  }
  return {};
}

}  // namespace

// variable, operator, variable or number. The right operand ends at the next occurrence of the same
// operator; a right operand that is no variable is read as a number (0 when it is none).
std::int32_t ScriptCompiler::compileCondition(std::string_view text, bool jumpWhen) {
  static constexpr std::pair<std::string_view, int> kComparisons[] = {{"==", 0}, {"!=", 1}, {">=", 2},
                                                                      {"<=", 3}, {">", 4},  {"<", 5}};
  // A condition in error still opens its block when the compile goes on, as a jump that tests nothing,
  // so that the block's end finds it.
  const Operator op = findOperator(text, kComparisons);
  if (op.code < 0) {
    problem(jaSjis(MessageId::CompileBadOperator), Problem::Error, text);
    return makeCommand(JumpCommand{0, -1, -1, 0.0f, Comparison::Equal, jumpWhen});
  }
  const std::string_view left = sjis::field(text, op.text, 0);
  const std::string_view right = sjis::field(text, op.text, 1);
  const std::int32_t target = program_->findVariable(left);
  if (target < 0) {
    problem(jaSjis(MessageId::CompileVariableUndefined, {left}), Problem::UndefinedVariable, left);
    return makeCommand(JumpCommand{0, -1, -1, 0.0f, Comparison::Equal, jumpWhen});
  }
  const std::int32_t source = program_->findVariable(right);
  if (source < 0 && notes_) checkOperand(right);
  return makeCommand(JumpCommand{0, target, source, source >= 0 ? 0.0f : sjis::parseFloat(right),
                                 static_cast<Comparison>(op.code), jumpWhen});
}

std::int32_t ScriptCompiler::compileAssignment(std::string_view text) {
  // The compound operators come first: x+=1 is an addition, not "x+" set to 1.
  static constexpr std::pair<std::string_view, int> kAssignments[] = {
      {"+=", 6}, {"-=", 7}, {"*=", 8}, {"/=", 9}, {"=", 10}};
  const Operator op = findOperator(text, kAssignments);
  if (op.code < 0) fail(jaSjis(MessageId::CompileBadOperator), Problem::Error, text);
  const std::string_view left = sjis::field(text, op.text, 0);
  const std::string_view right = sjis::field(text, op.text, 1);
  const std::int32_t target = program_->findVariable(left);
  if (target < 0) {
    fail(jaSjis(MessageId::CompileVariableUndefined, {left}), Problem::UndefinedVariable, left);
  }
  const std::int32_t source = program_->findVariable(right);
  if (source < 0 && notes_) checkOperand(right);
  return makeCommand(AssignCommand{target, source, source >= 0 ? 0.0f : sjis::parseFloat(right),
                                   static_cast<Assignment>(op.code)});
}

}  // namespace tavrik
