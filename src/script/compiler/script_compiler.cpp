#include "script/compiler/script_compiler.h"

#include <algorithm>

#include "base/files.h"
#include "base/keywords.h"
#include "base/messages.h"
#include "base/script_path.h"
#include "base/sjis_text.h"
#include "base/text_encoding.h"

namespace tavrik {

namespace {

// Carries the error from deep inside a compile (inserted files, owned lines) out to compileMain, or,
// when the compile keeps notes, out to the line it stopped.
struct CompileFailure {
  ScriptError error;
  CompileNotes::Note note;
};

}  // namespace

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

// Keyword heads in matching order; a head must equal the keyword. Macro names come after these, then
// file insertion, then the heads built from declared layers and channels.
const ScriptCompiler::HeadRow ScriptCompiler::kKeywordRows[] = {
    {kw::kSimpleLayerDecl, &ScriptCompiler::declareSimpleLayer},
    {kw::kPersonLayerDecl, &ScriptCompiler::declarePersonLayer},
    {kw::kTextLayerDecl, &ScriptCompiler::declareTextLayer},
    {kw::kMusicChannelDecl, &ScriptCompiler::declareMusicChannel},
    {kw::kSoundChannelDecl, &ScriptCompiler::declareSoundChannel},
    {kw::kVariableDecl, &ScriptCompiler::declareVariables},
    {kw::kActionDecl, &ScriptCompiler::declareAction},
    {kw::kTextActionDecl, &ScriptCompiler::declareAction},
    {kw::kEyeActionDecl, &ScriptCompiler::declareAction},
    {kw::kMouthActionDecl, &ScriptCompiler::declareAction},
    {kw::kTitle, &ScriptCompiler::title},
    {kw::kWaitAction, &ScriptCompiler::waitAction},
    {kw::kWaitTime, &ScriptCompiler::waitTime},
    {kw::kWaitInput, &ScriptCompiler::waitInput},
    {kw::kWaitChoice, &ScriptCompiler::waitChoice},
    {kw::kCondition, &ScriptCompiler::condition},
    {kw::kConditionEnd, &ScriptCompiler::conditionEnd},
    {kw::kLoop, &ScriptCompiler::loop},
    {kw::kLoopEnd, &ScriptCompiler::loopEnd},
    {kw::kExpression, &ScriptCompiler::expression},
    {kw::kMacroDecl, &ScriptCompiler::macroDeclaration},
    {kw::kMacroDeclEnd, &ScriptCompiler::macroDeclarationEnd},
};
const ScriptCompiler::HeadRow ScriptCompiler::kInsertRow = {kw::kInsertFile, &ScriptCompiler::insertFile};

std::vector<std::string_view> ScriptCompiler::keywordHeads() {
  std::vector<std::string_view> heads;
  for (const HeadRow& row : kKeywordRows) heads.push_back(row.keyword);
  heads.push_back(kInsertRow.keyword);
  return heads;
}

CompileResult compileScript(const std::string& scriptPath) {
  ScriptCompiler compiler;
  return compiler.compileMain(scriptPath);
}

CompileResult compileScript(const std::string& scriptPath, CompileNotes& notes) {
  ScriptCompiler compiler(&notes);
  return compiler.compileMain(scriptPath);
}

ScriptCompiler::ScriptCompiler(CompileNotes* notes) : notes_(notes), program_(std::make_unique<Program>()) {}

CompileResult ScriptCompiler::compileMain(const std::string& scriptPath) {
  program_->directory = std::string(sjis::directoryOf(scriptPath));
  addVariable(kw::kChoiceResult);
  try {
    compileFile(scriptPath);
  } catch (CompileFailure& failure) {
    if (!notes_) return {nullptr, std::move(failure.error)};
    notes_->add(std::move(failure.note));
  }
  if (notes_) {
    for (const Macro& macro : macros_) notes_->macros.push_back({macro.name, macro.site, macro.used});
    notes_->lines.resize(program_->files.size());
    for (auto& [path, read] : sources_) notes_->lines[static_cast<std::size_t>(read.file)] = read.lines;
  }
  program_->identity = identity_.value();
  return {std::shared_ptr<const Program>(std::move(program_)), std::nullopt};
}

const ScriptCompiler::Source& ScriptCompiler::source(const std::string& path) {
  // A file inserted many times is found, read and converted once.
  auto found = sources_.find(path);
  if (found != sources_.end()) return found->second;
  Source source;
  source.file = static_cast<std::int32_t>(program_->files.size());
  program_->files.push_back(SourceFile{path});
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
  return sources_.emplace(path, std::move(source)).first->second;
}

void ScriptCompiler::unreadable(const std::string& path, const Source& from) const {
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
  if (context_) fail(std::move(message));
  // The main script: the report names it, with no line to show.
  CompileFailure failure;
  failure.note = {Problem::Error, NoteSite{from.file, 0}, {}, message, false};
  failure.error.path = path;
  failure.error.wholeFile = true;
  failure.error.message = std::move(message);
  throw failure;
}

void ScriptCompiler::compileFile(const std::string& path) {
  const Source& from = source(path);
  if (from.status != ReadStatus::Ok) unreadable(path, from);
  // An inserted file that would bring the lines past the bound is reported at the line inserting it.
  if (context_) {
    insertedLines_ += from.lines.size();
    if (++inserts_ > kMaxInserts || insertedLines_ > kMaxInsertedLines)
      fail(jaSjis(MessageId::CompileTooManyInserts));
  }
  Context context;
  context.path = path;
  context.directory = std::string(sjis::directoryOf(path));
  context.currentList = &program_->code;
  context.file = from.file;
  context.native = from.native;
  context.lines = from.lines;
  context.source = &from;
  identity_.addSized(from.bytes());
  // The tables grow as commands come: room made for a command a line would cost a file of blank lines
  // dozens of times its size.

  Context* outer = context_;
  context_ = &context;
  insertStack_.push_back(&context);
  if (notes_) {
    compileLinesNoting(context);
  } else {
    for (context.index = nextLine(context, 0); static_cast<std::size_t>(context.index) < context.lines.size();
         context.index = nextLine(context, context.index + 1)) {
      compileRaw(context.lines[static_cast<std::size_t>(context.index)]);
    }
  }
  insertStack_.pop_back();
  context_ = outer;
}

int ScriptCompiler::nextLine(const Context& context, int from) {
  return static_cast<int>(context.lines.skipEmpty(static_cast<std::size_t>(from)));
}

// A line in error is noted and the next line compiled, as far as the compile can go on from there.
void ScriptCompiler::compileLinesNoting(Context& context) {
  for (context.index = nextLine(context, 0); static_cast<std::size_t>(context.index) < context.lines.size();
       context.index = nextLine(context, context.index + 1)) {
    if (notes_->full()) {
      notes_->stoppedShort = true;
      break;
    }
    try {
      compileRaw(context.lines[static_cast<std::size_t>(context.index)]);
    } catch (CompileFailure& failure) {
      notes_->add(std::move(failure.note));
    }
  }
  noteOpenBlocks(context);
  // The including file's next line is no text of this file's last directive.
  restartLine_ = -1;
}

void ScriptCompiler::compileRaw(std::string_view line) {
  // Most lines of a long file are blank or comments: they are passed over without being normalised.
  if (!isBlankOrComment(line)) compileLine(normalizeLine(line));
}

void ScriptCompiler::compileLine(const std::string& normalized) {
  if (isCommentLine(normalized)) return;
  lineIndex_ = context_->index;
  if (normalized[0] != '#') {
    if (restartLine_ >= 0) return textColonForgotten();
    fail(jaSjis(MessageId::CompileNeedHash), Problem::NeedHash);
  }
  restartLine_ = -1;
  // Every "#" goes, not only the first: one inside a title or a name disappears too.
  line_ = sjis::replaceAll(normalized, "#", "");
  noteLine_ = line_;
  noteLineHashesRemoved_ = true;
  const DirectiveFields fields = splitDirective(line_);
  for (const HeadRow& row : kKeywordRows) {
    if (fields.head == row.keyword) {
      (this->*row.handler)(fields);
      return;
    }
  }
  if (Macro* macro = findMacro(fields.head)) {
    macro->used = true;
    // The macro's commands as they are now, the same commands, not copies.
    if (macro->commands.size() > kMaxCommands - listed_) fail(jaSjis(MessageId::CompileTooManyCommands));
    const CommandList commands = macro->commands;
    for (std::int32_t command : commands) append(command);
    return;
  }
  if (fields.head == kInsertRow.keyword) {
    (this->*kInsertRow.handler)(fields);
    return;
  }
  if (matchDeclaredObject(fields)) return;
  fail(jaSjis(MessageId::CompileUndeclaredHead), Problem::UndeclaredHead, fields.head);
}

// Heads built from a declared name and a suffix: for each layer in declaration order its image head,
// its choice head, then its action heads; then for each channel its load head and its action heads.
// The first match wins. The action is found through an index of first declarations, so matching costs
// one prefix test per layer and channel rather than one concatenation per layer and action.
bool ScriptCompiler::matchDeclaredObject(const DirectiveFields& f) {
  const std::string_view head = f.head;
  const Program& p = *program_;
  for (std::size_t i = 0; i < p.layers.size(); ++i) {
    const std::string& name = p.layers[i].name;
    if (!sjis::startsWith(head, name)) continue;
    const auto layer = static_cast<std::int32_t>(i);
    const std::string_view suffix = head.substr(name.size());
    if (suffix == kw::kImageSuffix) {
      appendNew(LoadImageCommand{layer, addText(context_->directory + std::string(f.firstArg))});
      return true;
    }
    if (suffix == kw::kChoiceDeclSuffix) {
      declareChoice(layer, f);
      return true;
    }
    if (const std::int32_t action = p.findAction(suffix); action >= 0) {
      layerAction(layer, action);
      return true;
    }
  }
  for (std::size_t i = 0; i < p.channels.size(); ++i) {
    const std::string& name = p.channels[i].name;
    if (!sjis::startsWith(head, name)) continue;
    const auto channel = static_cast<std::int32_t>(i);
    const std::string_view suffix = head.substr(name.size());
    if (suffix == kw::kLoadSuffix) {
      appendNew(LoadSoundCommand{channel, addText(context_->directory + std::string(f.firstArg))});
      return true;
    }
    if (const std::int32_t action = p.findAction(suffix); action >= 0) {
      appendNew(StartActionCommand{Target{Target::Kind::Channel, channel}, action});
      return true;
    }
  }
  return false;
}

void ScriptCompiler::fail(std::string message, Problem problem, std::string_view subject) const {
  CompileFailure failure;
  if (notes_) {
    // The lint reads the notes, never the error.
    failure.note = {problem, site(subject), std::string(subject), std::move(message), false};
    throw failure;
  }
  ScriptError& error = failure.error;
  error.path = context_->path;
  error.index = context_->index;
  const auto index = static_cast<std::size_t>(error.index);
  // Only the line shown: the report holds no copy of the file.
  error.utf8Line = context_->source && context_->source->utf8;
  if (error.utf8Line)
    error.line = LineFile::lineOf(context_->source->written, index);
  else if (index < context_->lines.size())
    error.line = context_->lines[index];
  error.message = std::move(message);
  throw failure;
}

void ScriptCompiler::problem(std::string message, Problem kind, std::string_view subject) {
  if (!notes_) fail(std::move(message), kind, subject);
  notes_->add({kind, site(subject), std::string(subject), std::move(message), false});
}

NoteSite ScriptCompiler::site(std::string_view subject) const {
  NoteSite at{context_->file, context_->index, -1, noteLineHashesRemoved_};
  const std::less_equal<const char*> notAfter;
  const char* begin = noteLine_.data();
  if (subject.data() && begin && notAfter(begin, subject.data()) &&
      notAfter(subject.data(), begin + noteLine_.size()))
    at.offset = static_cast<std::int32_t>(subject.data() - begin);
  return at;
}

void ScriptCompiler::note(Problem kind, std::string_view subject, bool integer) {
  notes_->add({kind, site(subject), std::string(subject), {}, integer});
}

void ScriptCompiler::checkNumber(std::string_view value, bool integer) {
  if (!value.empty() && !readsAsNumber(value, integer)) note(Problem::NotANumber, value, integer);
}

void ScriptCompiler::checkOperand(std::string_view operand) {
  if (!operand.empty() && !readsAsNumber(operand, false)) note(Problem::NeitherVariableNorNumber, operand);
}

void ScriptCompiler::noteExtraFields(std::string_view text, int count) {
  // The subject runs from the last value read: "0,05" where 0.05 was meant.
  std::size_t from = 0;
  for (int k = 0; k < count; ++k) {
    const long comma = sjis::findText(text.substr(from), ",");
    if (comma < 0) return;
    if (k + 1 < count) from += static_cast<std::size_t>(comma) + 1;
  }
  note(Problem::ExtraFields, text.substr(from));
}

// A text directive without "：" is followed by a line that is no directive: the author meant a text
// block. The directive is noted, and the lines are read as its text, so that they say nothing more.
void ScriptCompiler::textColonForgotten() {
  Context& c = *context_;
  notes_->add(
      {Problem::MissingTextColon, NoteSite{c.file, restartLine_, restartOffset_, true}, {}, {}, false});
  lineIndex_ = restartLine_;
  restartLine_ = -1;
  --c.index;
  textBlock(restartLayer_, restartAction_);
}

void ScriptCompiler::noteOpenBlocks(const Context& context) {
  for (const BlockEntry& block : context.blocks) {
    const std::string_view head = block.kind == BlockKind::Condition ? kw::kCondition : kw::kLoop;
    notes_->add({Problem::OpenBlock, NoteSite{context.file, block.line}, std::string(head), {}, false});
  }
  if (context.currentList != &program_->code) {
    notes_->add(
        {Problem::OpenMacro, NoteSite{context.file, context.macroLine}, macros_.back().name, {}, false});
  }
}

std::int32_t ScriptCompiler::makeCommand(Command command) {
  program_->commands.push_back(std::move(command));
  program_->sources.push_back(SourceLine{context_->file, lineIndex_});
  return static_cast<std::int32_t>(program_->commands.size()) - 1;
}

std::int32_t ScriptCompiler::addText(std::string text) {
  program_->texts.push_back(std::move(text));
  return static_cast<std::int32_t>(program_->texts.size()) - 1;
}

void ScriptCompiler::append(std::int32_t command) {
  if (++listed_ > kMaxCommands) fail(jaSjis(MessageId::CompileTooManyCommands));
  context_->currentList->push_back(command);
  if (context_->currentList == &program_->code)
    program_->sites.push_back(SourceLine{context_->file, lineIndex_});
}

bool ScriptCompiler::inMacro() const {
  return context_->currentList != &program_->code;
}

void ScriptCompiler::declarationChecks() const {
  if (inMacro()) fail(jaSjis(MessageId::CompileDeclarationInMacro));
  if (!context_->blocks.empty()) fail(jaSjis(MessageId::CompileDeclarationInBlock));
}

ScriptCompiler::Macro* ScriptCompiler::findMacro(std::string_view name) {
  const auto it = macroIndex_.find(name);
  return it == macroIndex_.end() ? nullptr : &macros_[static_cast<std::size_t>(it->second)];
}

}  // namespace tavrik
