// Conditions, loops, macros and file insertion, and the conditions and assignments they are built from.
#include "base/keywords.h"
#include "base/messages.h"
#include "base/script_path.h"
#include "base/sjis_text.h"
#include "script/compiler/compiler_internal.h"

namespace tavrik::compile_detail {

namespace {

int size(const std::vector<std::int32_t>& list) {
  return static_cast<int>(list.size());
}

// An end that finds blocks of the other kind open inside its own closes them there, when the compile
// keeps notes, and notes each at its line (the normal compile reports the end as unmatched).
void closeInnerBlocks(ScriptCompiler& c, bool loopEnd) {
  if (!c.notes) return;
  std::vector<BlockEntry>& blocks = c.context->blocks;
  auto ends = [&](const BlockEntry& block) { return (block.kind != BlockKind::Condition) == loopEnd; };
  // Blocks opened before the current macro began are not this list's.
  const std::size_t floor = c.inMacro() ? c.context->macroBlockDepth : 0;
  std::size_t match = blocks.size();
  while (match > floor && !ends(blocks[match - 1])) --match;
  if (match == floor || match == blocks.size()) return;
  const CommandList& list = *c.context->currentList;
  while (blocks.size() > match) {
    const BlockEntry inner = blocks.back();
    blocks.pop_back();
    const std::string_view head = inner.kind == BlockKind::Condition ? kw::kCondition : kw::kLoop;
    c.notes->add(
        {Problem::OpenBlockInside, NoteSite{c.context->file, inner.line}, std::string(head), {}, false});
    // A condition ends here; a loop left open runs its body once, as at the end of a file.
    if (inner.kind == BlockKind::Condition) c.setJumpTarget(inner.jump, inner.start, size(list));
  }
}

}  // namespace

void condition(ScriptCompiler& c, const DirectiveFields& f) {
  if (f.firstArg.empty()) c.fail(jaSjis(MessageId::CompileNeedCondition));
  const std::int32_t jump = compileCondition(c, f.firstArg, false);
  c.context->blocks.push_back({BlockKind::Condition, jump, size(*c.context->currentList), c.context->index});
  c.append(jump);
}

void conditionEnd(ScriptCompiler& c, const DirectiveFields& f) {
  c.noteUnusedArgument(f);
  closeInnerBlocks(c, false);
  std::vector<BlockEntry>& blocks = c.context->blocks;
  if (blocks.empty()) c.fail(jaSjis(MessageId::CompileUnmatchedConditionEnd));
  const BlockEntry block = blocks.back();
  blocks.pop_back();
  if (block.kind != BlockKind::Condition) c.fail(jaSjis(MessageId::CompileUnmatchedConditionEnd));
  // When the condition fails the program goes on after the block.
  c.setJumpTarget(block.jump, block.start, size(*c.context->currentList));
}

void loop(ScriptCompiler& c, const DirectiveFields& f) {
  const int start = size(*c.context->currentList);
  if (f.firstArg.empty()) {
    c.context->blocks.push_back({BlockKind::LoopBottomCondition, -1, start, c.context->index});
    return;
  }
  const std::int32_t test = compileCondition(c, f.firstArg, true);
  c.context->blocks.push_back({BlockKind::LoopTopCondition, test, start, c.context->index});
  c.append(test);
}

void loopEnd(ScriptCompiler& c, const DirectiveFields& f) {
  closeInnerBlocks(c, true);
  std::vector<BlockEntry>& blocks = c.context->blocks;
  if (blocks.empty()) c.fail(jaSjis(MessageId::CompileUnmatchedLoopEnd));
  const BlockEntry block = blocks.back();
  blocks.pop_back();
  CommandList& list = *c.context->currentList;
  switch (block.kind) {
    case BlockKind::LoopBottomCondition: {
      if (f.firstArg.empty()) c.fail(jaSjis(MessageId::CompileNeedCondition));
      const std::int32_t test = compileCondition(c, f.firstArg, true);
      c.setJumpTarget(test, size(list), block.start);
      c.append(test);
      return;
    }
    case BlockKind::LoopTopCondition: {
      if (!f.firstArg.empty()) c.fail(jaSjis(MessageId::CompileConditionOnBothEnds));
      // Tested at the top, compiled as tested at the bottom: the first command jumps to the test, and
      // the test jumps back into the body while the condition holds.
      // The jump to the test stands where the test stood, and comes from the loop's own line.
      const std::int32_t toTest = c.makeCommand(JumpCommand{});
      c.program->sources.back() = c.program->sources[static_cast<std::size_t>(block.jump)];
      c.setJumpTarget(toTest, block.start, size(list));
      list[static_cast<std::size_t>(block.start)] = toTest;
      c.setJumpTarget(block.jump, size(list), block.start + 1);
      c.append(block.jump);
      return;
    }
    case BlockKind::Condition:
      c.fail(jaSjis(MessageId::CompileUnmatchedLoopEnd));
  }
}

void macroDeclaration(ScriptCompiler& c, const DirectiveFields& f) {
  c.declarationChecks();
  if (c.findMacro(f.firstArg)) {
    c.fail(jaSjis(MessageId::CompileMacroExists, {f.firstArg}));
  }
  c.macroIndex.emplace(std::string(f.firstArg), static_cast<std::int32_t>(c.macros.size()));
  c.macros.push_back(Macro{std::string(f.firstArg), {}, c.site(f.firstArg)});
  c.context->currentList = &c.macros.back().commands;
  c.context->macroBlockDepth = c.context->blocks.size();
  c.context->macroLine = c.context->index;
}

void macroDeclarationEnd(ScriptCompiler& c, const DirectiveFields& f) {
  c.noteUnusedArgument(f);
  if (!c.inMacro()) c.fail(jaSjis(MessageId::CompileUnmatchedMacroEnd));
  // A block opened in the body and left open would be closed in another list with a wrong jump.
  if (c.context->blocks.size() != c.context->macroBlockDepth)
    c.fail(jaSjis(MessageId::CompileBlockAcrossMacro));
  c.context->currentList = &c.program->code;
}

void insertFile(ScriptCompiler& c, const DirectiveFields& f) {
  if (c.inMacro()) c.fail(jaSjis(MessageId::CompileInsertInMacro));
  if (!c.context->blocks.empty()) c.fail(jaSjis(MessageId::CompileInsertInBlock));
  std::string path = c.context->directory;
  path += f.firstArg;
  // An empty name leaves the path at the script's own folder, which the search finds: it names no
  // script, wherever the script lives.
  const bool named = !f.firstArg.empty();
  // A folder of the name (scenes beside scenes.tvk) is no script: the name with ".tvk" is looked for
  // then, as when nothing has the name.
  auto exists = [&c](const std::string& name) {
    auto [at, added] = c.found.try_emplace(name, false);
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
      c.fail(jaSjis(MessageId::CompileScriptNotFound, {paths::forMessage(path)}));
    }
  }
  // A file that inserts itself, directly or through others, would never end.
  if (const std::filesystem::path& canonical = source(c, path).native; !canonical.empty()) {
    for (const Context* open : c.insertStack) {
      if (!open->native.empty() && open->native == canonical) {
        c.fail(jaSjis(MessageId::CompileScriptInsertsItself, {paths::forMessage(path)}));
      }
    }
  }
  if (static_cast<int>(c.insertStack.size()) > kMaxInsertDepth)
    c.fail(jaSjis(MessageId::CompileInsertTooDeep));
  if (c.notes) c.notes->inserts.emplace_back(path, c.site(f.firstArg));
  compileFile(c, path);
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
std::int32_t compileCondition(ScriptCompiler& c, std::string_view text, bool jumpWhen) {
  static constexpr std::pair<std::string_view, int> kComparisons[] = {{"==", 0}, {"!=", 1}, {">=", 2},
                                                                      {"<=", 3}, {">", 4},  {"<", 5}};
  // A condition in error still opens its block when the compile goes on, as a jump that tests nothing,
  // so that the block's end finds it.
  const Operator op = findOperator(text, kComparisons);
  if (op.code < 0) {
    c.problem(jaSjis(MessageId::CompileBadOperator), Problem::Error, text);
    return c.makeCommand(JumpCommand{0, -1, -1, 0.0f, Comparison::Equal, jumpWhen});
  }
  const std::string_view left = sjis::field(text, op.text, 0);
  const std::string_view right = sjis::field(text, op.text, 1);
  const std::int32_t target = c.program->findVariable(left);
  if (target < 0) {
    c.problem(jaSjis(MessageId::CompileVariableUndefined, {left}), Problem::UndefinedVariable, left);
    return c.makeCommand(JumpCommand{0, -1, -1, 0.0f, Comparison::Equal, jumpWhen});
  }
  const std::int32_t source = c.program->findVariable(right);
  if (source < 0 && c.notes) c.checkOperand(right);
  return c.makeCommand(JumpCommand{0, target, source, source >= 0 ? 0.0f : sjis::parseFloat(right),
                                   static_cast<Comparison>(op.code), jumpWhen});
}

std::int32_t compileAssignment(ScriptCompiler& c, std::string_view text) {
  // The compound operators come first: x+=1 is an addition, not "x+" set to 1.
  static constexpr std::pair<std::string_view, int> kAssignments[] = {
      {"+=", 6}, {"-=", 7}, {"*=", 8}, {"/=", 9}, {"=", 10}};
  const Operator op = findOperator(text, kAssignments);
  if (op.code < 0) c.fail(jaSjis(MessageId::CompileBadOperator), Problem::Error, text);
  const std::string_view left = sjis::field(text, op.text, 0);
  const std::string_view right = sjis::field(text, op.text, 1);
  const std::int32_t target = c.program->findVariable(left);
  if (target < 0) {
    c.fail(jaSjis(MessageId::CompileVariableUndefined, {left}), Problem::UndefinedVariable, left);
  }
  const std::int32_t source = c.program->findVariable(right);
  if (source < 0 && c.notes) c.checkOperand(right);
  return c.makeCommand(AssignCommand{target, source, source >= 0 ? 0.0f : sjis::parseFloat(right),
                                     static_cast<Assignment>(op.code)});
}

}  // namespace tavrik::compile_detail
