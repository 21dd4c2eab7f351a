// The checks of the files a script names: pictures and sounds that are not there, and names that
// find their file only by ignoring letter case.
#include <filesystem>
#include <optional>
#include <unordered_map>

#include "base/messages.h"
#include "base/script_path.h"
#include "base/sjis_text.h"
#include "script/compiler/lint_internal.h"

namespace tavrik::lint_detail {

namespace {

// The on-disk spelling of the last components of a file found by ignoring case, as many as written.
std::string onDisk(const std::filesystem::path& found, std::string_view written) {
  std::size_t components = 1;
  for (std::size_t i = 0; i < written.size(); i += sjis::charLength(written, i)) {
    if (written[i] == '\\' || written[i] == '/') ++components;
  }
  std::vector<std::string> parts;
  for (const auto& part : found) parts.push_back(part.string());
  std::string out;
  for (std::size_t i = parts.size() > components ? parts.size() - components : 0; i < parts.size(); ++i)
    out += (out.empty() ? "" : "/") + parts[i];
  return out;
}

// What each path found by ignoring letter case, or nothing.
using LookedUp = std::unordered_map<std::string, std::optional<std::filesystem::path>>;

// The written name of a file a command names: its text without the folder of the file it is in.
std::string_view writtenName(const Program& program, std::string_view path, std::int32_t file) {
  if (file < 0 || static_cast<std::size_t>(file) >= program.files.size()) return path;
  const std::string_view folder = sjis::directoryOf(program.files[static_cast<std::size_t>(file)].path);
  return sjis::startsWith(path, folder) ? path.substr(folder.size()) : path;
}

// A name that finds its file only by ignoring letter case is told with the file's own spelling. A game
// loads the same few files again and again: each is looked for once.
void caseDiffers(Linter& l, LookedUp& lookedUp, const NoteSite& at, const std::string& path,
                 std::string_view written) {
  auto [known, added] = lookedUp.try_emplace(path);
  if (added) known->second = paths::foundIgnoringCase(path);
  const std::optional<std::filesystem::path>& found = known->second;
  if (!found) return;
  const std::string disk = onDisk(*found, written);
  l.add(Severity::Warning, at, written, true, "letter-case",
        say(MessageId::LintLetterCase, {utf8(written), disk}));
}

}  // namespace

// Pictures and sounds the commands name, and inserted files, as the player looks for them.
void checkFiles(Linter& l) {
  const Program& program = l.program();
  const CompileNotes& notes = l.notes();
  LookedUp lookedUp;
  std::unordered_map<std::string, std::string> pictures;  // name: the file found, or empty
  std::unordered_map<std::string, bool> sounds;
  for (std::size_t i = 0; i < program.commands.size(); ++i) {
    const Command& command = program.commands[i];
    if (const auto* load = std::get_if<LoadImageCommand>(&command)) {
      const std::string& path = program.text(load->path);
      const NoteSite at = l.commandSite(i);
      const std::string_view written = writtenName(program, path, at.file);
      if (written.empty()) continue;  // an empty name takes the picture away
      auto [it, added] = pictures.try_emplace(path);
      if (added) it->second = paths::findPicture(path, l.options().moduleDirectory);
      if (it->second.empty()) {
        l.add(Severity::Error, at, written, true, "missing-picture",
              say(MessageId::LintMissingPicture, {utf8(written)}));
      } else {
        caseDiffers(l, lookedUp, at, it->second, written);
      }
    } else if (const auto* sound = std::get_if<LoadSoundCommand>(&command)) {
      const std::string& path = program.text(sound->path);
      const NoteSite at = l.commandSite(i);
      const std::string_view written = writtenName(program, path, at.file);
      if (written.empty()) continue;
      auto [it, added] = sounds.try_emplace(path);
      if (added) it->second = paths::resolve(path).has_value();
      if (!it->second) {
        l.add(Severity::Error, at, written, true, "missing-sound",
              say(MessageId::LintMissingSound, {utf8(written)}));
      } else {
        caseDiffers(l, lookedUp, at, path, written);
      }
    }
  }
  for (const auto& [path, at] : notes.inserts)
    caseDiffers(l, lookedUp, at, path, writtenName(program, path, at.file));
}

}  // namespace tavrik::lint_detail
