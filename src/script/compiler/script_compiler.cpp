// The compile's driver: reading the files, normalising each line and matching its head against the
// directive table, and the helpers the handlers share.
#include "script/compiler/script_compiler.h"

#include <algorithm>

#include "base/files.h"
#include "base/keywords.h"
#include "base/messages.h"
#include "base/script_path.h"
#include "base/sjis_text.h"
#include "base/text_encoding.h"
#include "script/compiler/compiler_internal.h"

namespace tavrik {

namespace compile_detail {

namespace {

// Carries the error from deep inside a compile (inserted files, owned lines) out to compileMain, or,
// when the compile keeps notes, out to the line it stopped.
struct CompileFailure {
  ScriptError error;
  CompileNotes::Note note;
};

using Handler = void (*)(ScriptCompiler&, const DirectiveFields&);
struct HeadRow {
  std::string_view keyword;
  Handler handler;
};

// Keyword heads in matching order; a head must equal the keyword. Macro names come after these, then
// file insertion, then the heads built from declared layers and channels.
constexpr HeadRow kKeywordRows[] = {
    {kw::kSimpleLayerDecl, declareSimpleLayer},
    {kw::kPersonLayerDecl, declarePersonLayer},
    {kw::kTextLayerDecl, declareTextLayer},
    {kw::kMusicChannelDecl, declareMusicChannel},
    {kw::kSoundChannelDecl, declareSoundChannel},
    {kw::kVariableDecl, declareVariables},
    {kw::kActionDecl, declareAction},
    {kw::kTextActionDecl, declareAction},
    {kw::kEyeActionDecl, declareAction},
    {kw::kMouthActionDecl, declareAction},
    {kw::kTitle, title},
    {kw::kWaitAction, waitAction},
    {kw::kWaitTime, waitTime},
    {kw::kWaitInput, waitInput},
    {kw::kWaitChoice, waitChoice},
    {kw::kCondition, condition},
    {kw::kConditionEnd, conditionEnd},
    {kw::kLoop, loop},
    {kw::kLoopEnd, loopEnd},
    {kw::kExpression, expression},
    {kw::kMacroDecl, macroDeclaration},
    {kw::kMacroDeclEnd, macroDeclarationEnd},
};
constexpr HeadRow kInsertRow = {kw::kInsertFile, insertFile};

// The compile error for a file that is not there or cannot be read: at the line inserting it, or for
// the main script its own.
[[noreturn]] void unreadable(const ScriptCompiler& c, const std::string& path, const Source& from) {
  MessageId id = MessageId::CompileScriptUnreadable;
  switch (from.status) {
    case ReadStatus::Missing:
      id = MessageId::CompileScriptNotFound;
      break;
    case ReadStatus::NotRegular:
      id = MessageId::CompileScriptNotAFile;
      break;
    case ReadStatus::TooLarge:
      id = MessageId::CompileScriptTooLarge;
      break;
    case ReadStatus::Ok:
    case ReadStatus::Failed:
      break;
  }
  std::string message = jaSjis(id, {paths::forMessage(path)});
  if (c.context) c.fail(std::move(message));
  // The main script: the report names it, with no line to show.
  CompileFailure failure;
  failure.note = {Problem::Error, NoteSite{from.file, 0}, {}, message, false};
  failure.error.path = path;
  failure.error.wholeFile = true;
  failure.error.message = std::move(message);
  throw failure;
}

// Heads built from a declared name and a suffix: for each layer in declaration order its image head,
// its choice head, then its action heads; then for each channel its load head and its action heads.
// The first match wins. The action is found through an index of first declarations, so matching costs
// one prefix test per layer and channel rather than one concatenation per layer and action.
bool matchDeclaredObject(ScriptCompiler& c, const DirectiveFields& f) {
  const std::string_view head = f.head;
  const Program& p = *c.program;
  for (std::size_t i = 0; i < p.layers.size(); ++i) {
    const std::string& name = p.layers[i].name;
    if (!sjis::startsWith(head, name)) continue;
    const auto layer = static_cast<std::int32_t>(i);
    const std::string_view suffix = head.substr(name.size());
    if (suffix == kw::kImageSuffix) {
      c.appendNew(LoadImageCommand{layer, c.addText(c.context->directory + std::string(f.firstArg))});
      return true;
    }
    if (suffix == kw::kChoiceDeclSuffix) {
      declareChoice(c, layer, f);
      return true;
    }
    if (const std::int32_t action = p.findAction(suffix); action >= 0) {
      layerAction(c, layer, action);
      return true;
    }
  }
  for (std::size_t i = 0; i < p.channels.size(); ++i) {
    const std::string& name = p.channels[i].name;
    if (!sjis::startsWith(head, name)) continue;
    const auto channel = static_cast<std::int32_t>(i);
    const std::string_view suffix = head.substr(name.size());
    if (suffix == kw::kLoadSuffix) {
      c.appendNew(LoadSoundCommand{channel, c.addText(c.context->directory + std::string(f.firstArg))});
      return true;
    }
    if (const std::int32_t action = p.findAction(suffix); action >= 0) {
      c.appendNew(StartActionCommand{Target{Target::Kind::Channel, channel}, action});
      return true;
    }
  }
  return false;
}

// A text directive without "：" is followed by a line that is no directive: the author meant a text
// block. The directive is noted, and the lines are read as its text, so that they say nothing more.
void textColonForgotten(ScriptCompiler& c) {
  Context& context = *c.context;
  c.notes->add({Problem::MissingTextColon,
                NoteSite{context.file, c.restart.line, c.restart.offset, true},
                {},
                {},
                false});
  c.lineIndex = c.restart.line;
  c.restart.line = -1;
  --context.index;
  textBlock(c, c.restart.layer, c.restart.action);
}

void compileLine(ScriptCompiler& c, const std::string& normalized) {
  if (isCommentLine(normalized)) return;
  c.lineIndex = c.context->index;
  if (normalized[0] != '#') {
    if (c.restart.line >= 0) return textColonForgotten(c);
    c.fail(jaSjis(MessageId::CompileNeedHash), Problem::NeedHash);
  }
  c.restart.line = -1;
  // Every "#" goes, not only the first: one inside a title or a name disappears too.
  c.line = sjis::replaceAll(normalized, "#", "");
  c.noteLine = c.line;
  c.noteLineHashesRemoved = true;
  const DirectiveFields fields = splitDirective(c.line);
  for (const HeadRow& row : kKeywordRows) {
    if (fields.head == row.keyword) {
      row.handler(c, fields);
      return;
    }
  }
  if (Macro* macro = c.findMacro(fields.head)) {
    macro->used = true;
    // The macro's commands as they are now, the same commands, not copies.
    if (macro->commands.size() > kMaxCommands - c.listed) c.fail(jaSjis(MessageId::CompileTooManyCommands));
    const CommandList commands = macro->commands;
    for (std::int32_t command : commands) c.append(command);
    return;
  }
  if (fields.head == kInsertRow.keyword) {
    kInsertRow.handler(c, fields);
    return;
  }
  if (matchDeclaredObject(c, fields)) return;
  c.fail(jaSjis(MessageId::CompileUndeclaredHead), Problem::UndeclaredHead, fields.head);
}

void compileRaw(ScriptCompiler& c, std::string_view line) {
  // Most lines of a long file are blank or comments: they are passed over without being normalised.
  if (!isBlankOrComment(line)) compileLine(c, normalizeLine(line));
}

void noteOpenBlocks(ScriptCompiler& c, const Context& context) {
  for (const BlockEntry& block : context.blocks) {
    const std::string_view head = block.kind == BlockKind::Condition ? kw::kCondition : kw::kLoop;
    c.notes->add({Problem::OpenBlock, NoteSite{context.file, block.line}, std::string(head), {}, false});
  }
  if (context.currentList != &c.program->code) {
    c.notes->add(
        {Problem::OpenMacro, NoteSite{context.file, context.macroLine}, c.macros.back().name, {}, false});
  }
}

// A line in error is noted and the next line compiled, as far as the compile can go on from there.
void compileLinesNoting(ScriptCompiler& c, Context& context) {
  for (context.index = context.nextLine(0); static_cast<std::size_t>(context.index) < context.lines.size();
       context.index = context.nextLine(context.index + 1)) {
    if (c.notes->full()) {
      c.notes->stoppedShort = true;
      break;
    }
    try {
      compileRaw(c, context.lines[static_cast<std::size_t>(context.index)]);
    } catch (CompileFailure& failure) {
      c.notes->add(std::move(failure.note));
    }
  }
  noteOpenBlocks(c, context);
  // The including file's next line is no text of this file's last directive.
  c.restart.line = -1;
}

}  // namespace

const Source& source(ScriptCompiler& c, const std::string& path) {
  // A file inserted many times is found, read and converted once.
  auto found = c.sources.find(path);
  if (found != c.sources.end()) return found->second;
  Source source;
  source.file = static_cast<std::int32_t>(c.program->files.size());
  c.program->files.push_back(SourceFile{path});
  // A file that cannot be found or read has no lines; compiling it is an error.
  std::string bytes;
  // What the search finds but resolves to no file is a folder, or a name whose wildcards only the
  // search expands.
  source.status = ReadStatus::Missing;
  if (paths::exists(path)) {
    const bool wildcards = sjis::findText(path, "*") >= 0 || sjis::findText(path, "?") >= 0;
    source.status = wildcards ? ReadStatus::Failed : ReadStatus::NotRegular;
  }
  if (std::optional<std::filesystem::path> native = paths::resolve(path)) {
    // Opened without blocking and only as a plain file: a pipe or a device is refused, not waited on.
    if (std::optional<std::string> read = readRegularFile(*native, kMaxScriptSize, false, &source.status))
      bytes = std::move(*read);
    std::error_code ec;
    source.native = std::filesystem::weakly_canonical(*native, ec);
  }
  // Authors on Linux may write in UTF-8: such a file is compiled as Shift-JIS, and reports show its
  // lines as written.
  if (std::optional<std::string> converted = utf8TextAsSjis(bytes)) {
    source.lines.assign(std::move(*converted));
    source.written = std::move(bytes);
    source.utf8 = true;
  } else {
    source.lines.assign(std::move(bytes));
  }
  return c.sources.emplace(path, std::move(source)).first->second;
}

void compileFile(ScriptCompiler& c, const std::string& path) {
  const Source& from = source(c, path);
  if (from.status != ReadStatus::Ok) unreadable(c, path, from);
  // An inserted file that would bring the lines past the bound is reported at the line inserting it.
  if (c.context) {
    c.insertedLines += from.lines.size();
    if (++c.inserts > kMaxInserts || c.insertedLines > kMaxInsertedLines)
      c.fail(jaSjis(MessageId::CompileTooManyInserts));
  }
  Context context;
  context.path = path;
  context.directory = std::string(sjis::directoryOf(path));
  context.currentList = &c.program->code;
  context.file = from.file;
  context.native = from.native;
  context.lines = from.lines;
  context.source = &from;
  c.identity.addSized(from.bytes());
  // The tables grow as commands come: room made for a command a line would cost a file of blank lines
  // dozens of times its size.

  Context* outer = c.context;
  c.context = &context;
  c.insertStack.push_back(&context);
  if (c.notes) {
    compileLinesNoting(c, context);
  } else {
    for (context.index = context.nextLine(0); static_cast<std::size_t>(context.index) < context.lines.size();
         context.index = context.nextLine(context.index + 1)) {
      compileRaw(c, context.lines[static_cast<std::size_t>(context.index)]);
    }
  }
  c.insertStack.pop_back();
  c.context = outer;
}

namespace {

CompileResult compileMain(CompileNotes* notes, const std::string& scriptPath) {
  ScriptCompiler c(notes);
  c.program->directory = std::string(sjis::directoryOf(scriptPath));
  addVariable(c, kw::kChoiceResult);
  try {
    compileFile(c, scriptPath);
  } catch (CompileFailure& failure) {
    if (!notes) return {nullptr, std::move(failure.error)};
    notes->add(std::move(failure.note));
  }
  if (notes) {
    for (const Macro& macro : c.macros) notes->macros.push_back({macro.name, macro.site, macro.used});
    notes->lines.resize(c.program->files.size());
    for (auto& [path, read] : c.sources) notes->lines[static_cast<std::size_t>(read.file)] = read.lines;
  }
  c.program->identity = c.identity.value();
  return {std::shared_ptr<const Program>(std::move(c.program)), std::nullopt};
}

}  // namespace

void ScriptCompiler::fail(std::string message, Problem kind, std::string_view subject) const {
  CompileFailure failure;
  if (notes) {
    // The lint reads the notes, never the error.
    failure.note = {kind, site(subject), std::string(subject), std::move(message), false};
    throw failure;
  }
  ScriptError& error = failure.error;
  error.path = context->path;
  error.index = context->index;
  const auto index = static_cast<std::size_t>(error.index);
  // Only the line shown: the report holds no copy of the file.
  error.utf8Line = context->source && context->source->utf8;
  if (error.utf8Line)
    error.line = LineFile::lineOf(context->source->written, index);
  else if (index < context->lines.size())
    error.line = context->lines[index];
  error.message = std::move(message);
  throw failure;
}

void ScriptCompiler::problem(std::string message, Problem kind, std::string_view subject) {
  if (!notes) fail(std::move(message), kind, subject);
  notes->add({kind, site(subject), std::string(subject), std::move(message), false});
}

NoteSite ScriptCompiler::site(std::string_view subject) const {
  NoteSite at{context->file, context->index, -1, noteLineHashesRemoved};
  const std::less_equal<const char*> notAfter;
  const char* begin = noteLine.data();
  if (subject.data() && begin && notAfter(begin, subject.data()) &&
      notAfter(subject.data(), begin + noteLine.size()))
    at.offset = static_cast<std::int32_t>(subject.data() - begin);
  return at;
}

void ScriptCompiler::note(Problem kind, std::string_view subject, bool integer) {
  notes->add({kind, site(subject), std::string(subject), {}, integer});
}

void ScriptCompiler::checkNumber(std::string_view value, bool integer) {
  if (!value.empty() && !readsAsNumber(value, integer)) note(Problem::NotANumber, value, integer);
}

void ScriptCompiler::checkOperand(std::string_view operand) {
  if (!operand.empty() && !readsAsNumber(operand, false)) note(Problem::NeitherVariableNorNumber, operand);
}

void ScriptCompiler::checkFieldCount(std::string_view text, int count) {
  if (!notes) return;
  // The subject runs from the last value read: "0,05" where 0.05 was meant.
  std::size_t from = 0;
  for (int k = 0; k < count; ++k) {
    const long comma = sjis::findText(text.substr(from), ",");
    if (comma < 0) return;
    if (k + 1 < count) from += static_cast<std::size_t>(comma) + 1;
  }
  note(Problem::ExtraFields, text.substr(from));
}

std::int32_t ScriptCompiler::makeCommand(Command command) {
  program->commands.push_back(std::move(command));
  program->sources.push_back(SourceLine{context->file, lineIndex});
  return static_cast<std::int32_t>(program->commands.size()) - 1;
}

std::int32_t ScriptCompiler::addText(std::string text) {
  program->texts.push_back(std::move(text));
  return static_cast<std::int32_t>(program->texts.size()) - 1;
}

void ScriptCompiler::append(std::int32_t command) {
  if (++listed > kMaxCommands) fail(jaSjis(MessageId::CompileTooManyCommands));
  context->currentList->push_back(command);
  if (context->currentList == &program->code) program->sites.push_back(SourceLine{context->file, lineIndex});
}

void ScriptCompiler::declarationChecks() const {
  if (inMacro()) fail(jaSjis(MessageId::CompileDeclarationInMacro));
  if (!context->blocks.empty()) fail(jaSjis(MessageId::CompileDeclarationInBlock));
}

Macro* ScriptCompiler::findMacro(std::string_view name) {
  const auto it = macroIndex.find(name);
  return it == macroIndex.end() ? nullptr : &macros[static_cast<std::size_t>(it->second)];
}

}  // namespace compile_detail

std::optional<std::string> utf8TextAsSjis(std::string_view bytes) {
  bool ascii = true;
  for (std::size_t i = 0; i < bytes.size() && ascii; ++i) ascii = (bytes[i] & 0x80) == 0;
  if (ascii) return std::nullopt;
  if (!isValidUtf8(bytes)) return std::nullopt;
  if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
  // Line breaks are ASCII and convert to themselves: the text converts whole, line for line.
  return utf8ToSjisLenient(bytes);
}

bool CompileNotes::add(Note note) {
  std::string about;
  about.reserve(32 + note.subject.size() + note.message.size());
  for (const std::int32_t n : {static_cast<std::int32_t>(note.problem), note.site.file, note.site.line,
                               note.site.offset, static_cast<std::int32_t>(note.integer)})
    about.append(reinterpret_cast<const char*>(&n), sizeof n);
  about.append(note.subject).append(1, '\0').append(note.message);
  if (kept_.count(about)) return false;
  if (notes.size() >= kMaxProblems) {
    ++leftOut;
    if (!firstLeftOut) firstLeftOut = note.site;
    return false;
  }
  kept_.insert(std::move(about));
  notes.push_back(std::move(note));
  return true;
}

std::vector<std::string_view> keywordHeads() {
  std::vector<std::string_view> heads;
  for (const compile_detail::HeadRow& row : compile_detail::kKeywordRows) heads.push_back(row.keyword);
  heads.push_back(compile_detail::kInsertRow.keyword);
  return heads;
}

CompileResult compileScript(const std::string& scriptPath) {
  return compile_detail::compileMain(nullptr, scriptPath);
}

CompileResult compileScript(const std::string& scriptPath, CompileNotes& notes) {
  return compile_detail::compileMain(&notes, scriptPath);
}

}  // namespace tavrik
