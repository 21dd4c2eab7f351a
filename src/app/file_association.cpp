#include "app/file_association.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "base/files.h"
#include "base/messages.h"
#include "base/terminal_text.h"
#include "base/text_encoding.h"

namespace tavrik {

namespace fs = std::filesystem;

namespace {

constexpr const char* kMimeType = "application/x-tavrik-script";

// The desktop's files are small; anything larger is not one of ours.
constexpr std::uintmax_t kMaxAssociationFileSize = 64 * 1024;

// True when the file now holds text; changed is set when it held something else before. A file that
// already holds it is left alone: most starts find the association as the last one left it. What is
// there and is not a regular file (a folder, a link, a pipe, a device) is not the player's: it is left
// as it is, with a word on standard error.
bool writeFile(const fs::path& p, const std::string& text, bool& changed) {
  std::error_code ec;
  fs::create_directories(p.parent_path(), ec);
  removeStaleTemporaryFiles(p);
  ReadStatus status = ReadStatus::Ok;
  const std::optional<std::string> old = readRegularFile(p, kMaxAssociationFileSize, true, &status);
  if (old == text) return true;
  if (status == ReadStatus::NotRegular) {
    std::fprintf(stderr, "tavrik: %s\n",
                 en(MessageId::AssociationNotRegular, {terminalText(p.string())}).c_str());
    return false;
  }
  changed = true;
  return writeFileAtomically(p, text);
}

// Whether text can stand in a desktop entry: no control characters (a line break would start a key of
// its own) and valid UTF-8, as the desktop reads it.
bool fitsDesktopEntry(const std::string& s) {
  for (char c : s) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7F) return false;
  }
  return utf8ToSjisEscaped(s).has_value();
}

// A string value of a desktop entry: a backslash is written "\\".
std::string entryString(const std::string& s) {
  std::string out;
  for (char c : s) {
    if (c == '\\') out += '\\';
    out += c;
  }
  return out;
}

// One argument of the Exec key: in double quotes with '"', '`', '$' and '\\' escaped by a backslash,
// '%' doubled as a field code would otherwise read it, and then written as a string value (so a
// backslash in the path reaches the file as four).
std::string execArgument(const std::string& s) {
  std::string out = "\"";
  for (char c : s) {
    if (c == '"' || c == '`' || c == '$' || c == '\\') out += '\\';
    if (c == '%') out += '%';
    out += c;
  }
  return entryString(out + "\"");
}

std::string xmlEscaped(const std::string& s) {
  std::string out;
  for (char c : s) {
    if (c == '&')
      out += "&amp;";
    else if (c == '<')
      out += "&lt;";
    else if (c == '>')
      out += "&gt;";
    else
      out += c;
  }
  return out;
}

// Runs a program in the background, detached, its output discarded; the player does not wait for it.
void runDetached(const char* program, const std::string& argument) {
  const pid_t child = ::fork();
  if (child < 0) return;
  if (child == 0) {
    if (::fork() == 0) {
      const int devnull = ::open("/dev/null", O_RDWR);
      ::dup2(devnull, 0);
      ::dup2(devnull, 1);
      ::dup2(devnull, 2);
      ::execlp(program, program, argument.c_str(), static_cast<char*>(nullptr));
    }
    ::_exit(0);
  }
  ::waitpid(child, nullptr, 0);
}

}  // namespace

fs::path dataHome() {
  const char* data = std::getenv("XDG_DATA_HOME");
  if (data && *data) return data;
  const char* home = std::getenv("HOME");
  return fs::path(home ? home : ".") / ".local" / "share";
}

bool registerAssociation(const fs::path& home, const Association& a) {
  const std::string mime = std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n") +
                           "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
                           "  <mime-type type=\"" +
                           kMimeType + "\">\n" + "    <comment>" + xmlEscaped(a.description) +
                           "</comment>\n" + "    <glob pattern=\"*.tvk\"/>\n" + "  </mime-type>\n" +
                           "</mime-info>\n";
  for (const fs::path* path : {&a.executable, &a.icon}) {
    if (!fitsDesktopEntry(path->string())) {
      std::fprintf(stderr, "tavrik: %s\n",
                   en(MessageId::AssociationSkipped, {terminalText(path->string())}).c_str());
      return false;
    }
  }
  const std::string desktop =
      "[Desktop Entry]\n"
      "Type=Application\n"
      "Name=Tavrik\n"
      "Comment=" +
      entryString(a.description) + "\n" + "Exec=" + execArgument(a.executable.string()) + " %f\n" +
      "Icon=" + entryString(a.icon.string()) + "\n" + "MimeType=" + kMimeType + ";\n" +
      "Categories=Game;AdventureGame;\n"
      "Terminal=false\n";
  bool changed = false;
  const fs::path mimeDir = home / "mime";
  const fs::path applications = home / "applications";
  const bool ok = writeFile(mimeDir / "packages" / "tavrik.xml", mime, changed) &&
                  writeFile(applications / "tavrik.desktop", desktop, changed);
  if (ok && changed) {
    runDetached("update-mime-database", mimeDir.string());
    runDetached("update-desktop-database", applications.string());
  }
  return ok;
}

bool installedWithDesktopFiles(const std::filesystem::path& moduleDirectory) {
  std::error_code ec;
  const std::filesystem::path dir = std::filesystem::weakly_canonical(moduleDirectory, ec);
  if (ec || dir.filename() != "tavrik" || dir.parent_path().filename() != "lib") return false;
  const std::filesystem::path share = dir.parent_path().parent_path() / "share";
  if (!std::filesystem::is_regular_file(share / "applications" / "tavrik.desktop", ec) ||
      !std::filesystem::is_regular_file(share / "mime" / "packages" / "tavrik.xml", ec))
    return false;
  // Only where the desktop looks: the system's data folders.
  const char* dirs = std::getenv("XDG_DATA_DIRS");
  std::string list = dirs && *dirs ? dirs : "/usr/local/share:/usr/share";
  for (std::size_t start = 0; start <= list.size();) {
    const std::size_t end = std::min(list.find(':', start), list.size());
    const std::string entry = list.substr(start, end - start);
    if (!entry.empty() && std::filesystem::weakly_canonical(entry, ec) == share) return true;
    start = end + 1;
  }
  return false;
}

void registerForUser(const std::filesystem::path& folder) {
  if (installedWithDesktopFiles(folder)) return;
  registerAssociation(dataHome(),
                      Association{folder / "tavrik", folder / "game.png", ja(MessageId::ScriptFileType)});
}

}  // namespace tavrik
