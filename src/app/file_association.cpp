#include "app/file_association.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

namespace tavrik {

namespace fs = std::filesystem;

namespace {

constexpr const char* kMimeType = "application/x-tavrik-script";

std::string readAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// True when the file now holds text; changed is set when it held something else before. A file that
// already holds it is left alone: most starts find the association as the last one left it.
bool writeFile(const fs::path& p, const std::string& text, bool& changed) {
  if (readAll(p) == text) return true;
  changed = true;
  std::error_code ec;
  fs::create_directories(p.parent_path(), ec);
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out << text;
  return static_cast<bool>(out);
}

// Quoted for the Exec key of a desktop entry.
std::string quoted(const std::string& s) {
  std::string out = "\"";
  for (char c : s) {
    if (c == '"' || c == '`' || c == '$' || c == '\\') out += '\\';
    out += c;
  }
  return out + "\"";
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
  const std::string desktop =
      "[Desktop Entry]\n"
      "Type=Application\n"
      "Name=Tavrik\n"
      "Comment=" +
      a.description + "\n" + "Exec=" + quoted(a.executable.string()) + " %f\n" + "Icon=" + a.icon.string() +
      "\n" + "MimeType=" + kMimeType + ";\n" +
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

}  // namespace tavrik
