#include "script/runtime/program_places.h"

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <string_view>
#include <variant>

#include "base/hash.h"
#include "base/sjis_text.h"
#include "script/compiler/program.h"

namespace tavrik {

namespace {

// Commands on either side of a position that its fingerprint takes in.
constexpr std::int32_t kNeighbours = 2;
// How far back the last text shown before a wait is looked for, in commands.
constexpr std::int32_t kTextReach = 256;
// A fixed typo changes a text a little: at most a third of its characters, of the first this many.
constexpr std::size_t kComparedCharacters = 256;

template <class T>
std::string_view nameIn(const std::vector<T>& table, std::int32_t index) {
  if (index < 0 || static_cast<std::size_t>(index) >= table.size()) return {};
  return table[static_cast<std::size_t>(index)].name;
}

// A command in words that do not depend on the order of the program's tables: what it acts on by name.
// texts: the texts it shows and the titles it sets are part of it.
class Describer {
 public:
  Describer(const Program& program, bool texts, std::string& out) : p_(program), texts_(texts), out_(out) {}

  void operator()(const JumpCommand& c) {
    put("jump");
    variable(c.left);
    if (c.left >= 0) {
      variable(c.right);
      number(c.right >= 0 ? 0.0f : c.constant);
      out_.push_back(static_cast<char>('0' + static_cast<int>(c.comparison)));
      out_.push_back(c.jumpWhen ? '+' : '-');
    }
  }
  void operator()(const WaitTimeCommand& c) {
    put("time");
    put(std::to_string(c.frames));
  }
  void operator()(const WaitInputCommand&) { put("input"); }
  void operator()(const WaitActionCommand& c) {
    put("action-wait");
    target(c.target);
  }
  void operator()(const LoadImageCommand& c) {
    put("picture");
    put(nameIn(p_.layers, c.layer));
    put(p_.text(c.path));
  }
  void operator()(const LoadSoundCommand& c) {
    put("sound");
    put(nameIn(p_.channels, c.channel));
    put(p_.text(c.path));
  }
  void operator()(const StartActionCommand& c) {
    put("start");
    target(c.target);
    put(nameIn(p_.actions, c.action));
  }
  void operator()(const SetEyeActionCommand& c) {
    put("eyes");
    put(nameIn(p_.layers, c.layer));
    put(nameIn(p_.actions, c.action));
  }
  void operator()(const SetMouthActionCommand& c) {
    put("mouth");
    put(nameIn(p_.layers, c.layer));
    put(nameIn(p_.actions, c.action));
  }
  void operator()(const ShowTextCommand& c) {
    put("text");
    put(nameIn(p_.layers, c.layer));
    if (texts_) put(p_.text(c.text));
  }
  void operator()(const RestartTextCommand& c) {
    put("restart");
    put(nameIn(p_.layers, c.layer));
    put(nameIn(p_.actions, c.action));
  }
  void operator()(const AssignCommand& c) {
    put("assign");
    variable(c.target);
    variable(c.source);
    number(c.source >= 0 ? 0.0f : c.constant);
    out_.push_back(static_cast<char>('0' + static_cast<int>(c.operation)));
  }
  void operator()(const WaitChoiceCommand&) { put("choice"); }
  void operator()(const SetTitleCommand& c) {
    put("title");
    if (texts_) put(p_.text(c.title));
  }

 private:
  void put(std::string_view s) {
    out_.append(s);
    out_.push_back('\0');
  }
  void variable(std::int32_t index) {
    if (index >= 0 && static_cast<std::size_t>(index) < p_.variables.size())
      put(p_.variables[static_cast<std::size_t>(index)]);
    else
      put("-");
  }
  void number(float v) { put(std::to_string(v)); }
  void target(const Target& t) {
    if (t.kind == Target::Kind::Layer) put(nameIn(p_.layers, t.index));
    if (t.kind == Target::Kind::Channel) put(nameIn(p_.channels, t.index));
    if (t.kind == Target::Kind::Everything) put("*");
  }

  const Program& p_;
  bool texts_;
  std::string& out_;
};

std::uint64_t hashOf(const Program& program, const Command& command, bool texts) {
  std::string words;
  std::visit(Describer(program, texts, words), command);
  ContentHash hash;
  hash.addSized(words);
  return hash.value();
}

// A number into a hash as its eight bytes, low first, the same on every machine.
void addNumber(ContentHash& hash, std::uint64_t v) {
  char bytes[8];
  for (int i = 0; i < 8; ++i) bytes[i] = static_cast<char>(v >> (8 * i));
  hash.add(std::string_view(bytes, 8));
}

bool isWaitForPlayer(const Command& command) {
  return std::holds_alternative<WaitInputCommand>(command) ||
         std::holds_alternative<WaitChoiceCommand>(command);
}

// Whether two texts differ in at most a third of their characters (edit distance).
bool nearlySame(std::string_view a, std::string_view b) {
  const std::vector<std::uint16_t> x = sjis::characterCodes(a, kComparedCharacters),
                                   y = sjis::characterCodes(b, kComparedCharacters);
  const std::size_t longest = std::max(x.size(), y.size());
  return sjis::editDistance(x, y) * 3 <= longest;
}

}  // namespace

ProgramPlaces::ProgramPlaces(const Program& program) : program_(program) {
  for (const SourceFile& file : program.files) {
    const bool relative = !program.directory.empty() && sjis::startsWith(file.path, program.directory);
    files_.push_back(relative ? file.path.substr(program.directory.size()) : file.path);
  }
  std::vector<std::uint64_t> full(program.commands.size()), bare(program.commands.size());
  for (std::size_t c = 0; c < program.commands.size(); ++c) {
    full[c] = hashOf(program, program.commands[c], true);
    bare[c] = hashOf(program, program.commands[c], false);
  }
  const std::int32_t size = static_cast<std::int32_t>(program.code.size());
  fingerprints_.resize(program.code.size());
  placeKeys_.resize(program.code.size());
  shapes_.resize(program.code.size());
  // The texts shown since the last wait for the player, in the order of the code (a wait whose text was
  // rewritten is another wait, unread again), and the last text shown, which a wait keeps when another
  // wait before it is deleted.
  std::uint64_t shown = 0, last = 0;
  for (std::int32_t p = 0; p < size; ++p) {
    const auto at = static_cast<std::size_t>(p);
    const Command& command = program.commandAt(at);
    if (std::holds_alternative<ShowTextCommand>(command)) {
      last = full[static_cast<std::size_t>(program.code[at])];
      ContentHash text;
      addNumber(text, shown);
      addNumber(text, last);
      shown = text.value();
    }
    ContentHash around, withoutTexts;
    for (std::int32_t k = p - kNeighbours; k <= p + kNeighbours; ++k) {
      const bool inside = k >= 0 && k < size;
      const std::size_t c = inside ? static_cast<std::size_t>(program.code[static_cast<std::size_t>(k)]) : 0;
      addNumber(around, inside ? full[c] : 0);
      addNumber(withoutTexts, inside ? bare[c] : 0);
    }
    ContentHash read = around, placed = around;
    addNumber(read, shown);
    addNumber(placed, last);
    fingerprints_[at] = read.value();
    placeKeys_[at] = placed.value();
    shapes_[at] = withoutTexts.value();
    if (isWaitForPlayer(command)) shown = 0;
  }
}

std::uint64_t ProgramPlaces::fingerprint(std::int32_t position) const {
  if (position < 0 || static_cast<std::size_t>(position) >= fingerprints_.size()) return 0;
  return fingerprints_[static_cast<std::size_t>(position)];
}

ProgramPlace ProgramPlaces::placeOf(std::int32_t position) const {
  ProgramPlace place;
  if (position < 0 || static_cast<std::size_t>(position) >= fingerprints_.size()) return place;
  const SourceLine& site = program_.siteAt(static_cast<std::size_t>(position));
  if (site.file >= 0 && static_cast<std::size_t>(site.file) < files_.size())
    place.file = files_[static_cast<std::size_t>(site.file)];
  place.line = site.line;
  place.fingerprint = placeKeys_[static_cast<std::size_t>(position)];
  place.shape = shapes_[static_cast<std::size_t>(position)];
  place.text = lastText(position);
  return place;
}

std::string ProgramPlaces::lastText(std::int32_t position) const {
  for (std::int32_t p = position, reach = 0; p >= 0 && reach < kTextReach; --p, ++reach) {
    const auto* show = std::get_if<ShowTextCommand>(&program_.commandAt(static_cast<std::size_t>(p)));
    if (!show) continue;
    std::string text(nameIn(program_.layers, show->layer));
    text.push_back('\0');
    text.append(program_.text(show->text));
    return text;
  }
  return {};
}

std::int32_t ProgramPlaces::fileOf(const std::string& relative) const {
  for (std::size_t f = 0; f < files_.size(); ++f)
    if (files_[f] == relative) return static_cast<std::int32_t>(f);
  return -1;
}

std::optional<std::int32_t> ProgramPlaces::find(const ProgramPlace& place) const {
  const std::int32_t file = fileOf(place.file);
  const std::int32_t size = static_cast<std::int32_t>(fingerprints_.size());
  // The candidate nearest the old line, in the same file first (any file when sameFile is off).
  auto nearest = [&](auto&& accepts, bool sameFile) -> std::optional<std::int32_t> {
    std::optional<std::int32_t> best;
    std::int64_t bestScore = std::numeric_limits<std::int64_t>::max();
    for (std::int32_t p = 0; p < size; ++p) {
      const SourceLine& site = program_.siteAt(static_cast<std::size_t>(p));
      if (sameFile && site.file != file) continue;
      const std::int64_t score = (site.file == file ? 0 : std::int64_t{1} << 40) +
                                 std::abs(static_cast<std::int64_t>(site.line) - place.line);
      if (score >= bestScore || !accepts(static_cast<std::size_t>(p))) continue;
      best = p;
      bestScore = score;
    }
    return best;
  };
  if (file >= 0) {
    if (auto p = nearest([&](std::size_t at) { return placeKeys_[at] == place.fingerprint; }, true)) return p;
  }
  // A wait for the player that showed the same text before it.
  auto afterTheSameText = [&](std::size_t at) {
    return !place.text.empty() && isWaitForPlayer(program_.commandAt(at)) &&
           lastText(static_cast<std::int32_t>(at)) == place.text;
  };
  if (auto p = nearest(afterTheSameText, false)) return p;
  if (file >= 0) {
    auto similar = [&](std::size_t at) {
      return shapes_[at] == place.shape && nearlySame(lastText(static_cast<std::int32_t>(at)), place.text);
    };
    if (auto p = nearest(similar, true)) return p;
  }
  return std::nullopt;
}

}  // namespace tavrik
