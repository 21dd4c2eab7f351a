#include "base/script_path.h"

#include <algorithm>
#include <cstdlib>
#include <system_error>
#include <vector>

#include "base/sjis_text.h"
#include "base/text_encoding.h"

namespace tavrik::paths {

namespace fs = std::filesystem;

namespace {

char foldAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (foldAscii(a[i]) != foldAscii(b[i])) return false;
  }
  return true;
}

std::vector<std::string> splitComponents(std::string_view path, bool& absolute) {
  std::vector<std::string> parts;
  absolute = !path.empty() && (path[0] == '\\' || path[0] == '/');
  std::string current;
  for (std::size_t i = 0; i < path.size();) {
    const std::size_t n = sjis::charLength(path, i);
    if (n == 1 && (path[i] == '\\' || path[i] == '/')) {
      parts.push_back(std::move(current));
      current.clear();
    } else {
      current.append(path, i, n);
    }
    i += n;
  }
  parts.push_back(std::move(current));
  return parts;
}

bool entryExists(const fs::path& p) {
  std::error_code ec;
  return fs::exists(p, ec);
}

std::vector<std::string> sortedEntries(const fs::path& dir) {
  std::vector<std::string> names;
  std::error_code ec;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    names.push_back(it->path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

bool hasWildcard(std::string_view component) {
  return component.find_first_of("*?") != std::string_view::npos;
}

// Code page 932's one-way pairs (see script_path.h) in UTF-8: the first of each is folded into the
// second, which is what the Shift-JIS character converts to.
struct OneWayPair {
  std::string_view first;
  std::string_view second;
};
constexpr OneWayPair kOneWayPairs[] = {
    {"\u301C", "\uFF5E"}, {"\u2212", "\uFF0D"}, {"\u2016", "\u2225"}, {"\u00A2", "\uFFE0"},
    {"\u00A3", "\uFFE1"}, {"\u00AC", "\uFFE2"}, {"\u2014", "\u2015"},
};

// A UTF-8 name with each one-way pair folded into one character. A lead byte never occurs inside
// another UTF-8 character, so a match found byte by byte starts on a character. A name in another
// encoding whose bytes happen to spell one of these characters is folded too: a coincidence too rare to
// be worth telling the encodings apart for.
std::string foldOneWayPairs(std::string_view name) {
  std::string out;
  out.reserve(name.size());
  for (std::size_t i = 0; i < name.size();) {
    bool folded = false;
    for (const OneWayPair& pair : kOneWayPairs) {
      if (name.compare(i, pair.first.size(), pair.first) == 0) {
        out += pair.second;
        i += pair.first.size();
        folded = true;
        break;
      }
    }
    if (!folded) out += name[i++];
  }
  return out;
}

// One step of the walk: the entry of dir that component names, or nothing. caseFolded, when given, is
// set when only ignoring the case of ASCII letters found it.
std::optional<fs::path> matchComponent(const fs::path& dir, const std::string& component, bool allowWildcards,
                                       bool* caseFolded) {
  // The component's UTF-8 forms: with its geta escapes standing for their characters and, for a name
  // on disk that holds an escape's characters literally, as written.
  std::vector<std::string> utf8Forms;
  if (std::optional<std::string> unescaped = sjisToUtf8Unescaped(component)) utf8Forms.push_back(*unescaped);
  if (std::optional<std::string> literal = sjisToUtf8Strict(component);
      literal && (utf8Forms.empty() || *literal != utf8Forms.front()))
    utf8Forms.push_back(*literal);

  if (allowWildcards && hasWildcard(component)) {
    // Windows reads "*.*" as every name, with or without a dot.
    std::string pattern = utf8Forms.empty() ? component : utf8Forms.front();
    if (pattern == "*.*") pattern = "*";
    pattern = foldOneWayPairs(pattern);
    for (const std::string& name : sortedEntries(dir)) {
      if (wildcardMatch(pattern, foldOneWayPairs(name)) || wildcardMatch(component, name)) return dir / name;
    }
    return std::nullopt;
  }
  if (component == "." || component == "..") return dir / component;
  if (entryExists(dir / component)) return dir / component;
  for (const std::string& utf8 : utf8Forms) {
    if (entryExists(dir / utf8)) return dir / utf8;
  }
  const std::vector<std::string> names = sortedEntries(dir);
  std::vector<std::string> foldedForms;
  for (const std::string& utf8 : utf8Forms) foldedForms.push_back(foldOneWayPairs(utf8));
  std::vector<std::string> foldedNames;
  foldedNames.reserve(names.size());
  for (const std::string& name : names) foldedNames.push_back(foldOneWayPairs(name));
  for (std::size_t i = 0; i < names.size(); ++i) {
    for (const std::string& form : foldedForms) {
      if (foldedNames[i] == form) return dir / names[i];
    }
  }
  for (std::size_t i = 0; i < names.size(); ++i) {
    bool found = equalsIgnoringCase(names[i], component);
    for (const std::string& form : foldedForms) found = found || equalsIgnoringCase(foldedNames[i], form);
    if (found) {
      if (caseFolded) *caseFolded = true;
      return dir / names[i];
    }
  }
  return std::nullopt;
}

std::optional<fs::path> walk(std::string_view scriptPath, bool allowWildcards, bool* caseFolded = nullptr) {
  if (scriptPath.empty()) return std::nullopt;
  bool absolute = false;
  std::vector<std::string> parts = splitComponents(scriptPath, absolute);
  fs::path current = absolute ? fs::path("/") : fs::path(".");
  // Trailing separators name the directory itself.
  while (parts.size() > 1 && parts.back().empty()) parts.pop_back();
  for (std::size_t i = 0; i < parts.size(); ++i) {
    if (parts[i].empty()) continue;
    // The search only expands wildcards in the last component, as the Windows one does.
    const bool last = i + 1 == parts.size();
    std::optional<fs::path> next = matchComponent(current, parts[i], allowWildcards && last, caseFolded);
    if (!next) return std::nullopt;
    current = std::move(*next);
  }
  if (!entryExists(current)) return std::nullopt;
  if (!absolute) current = current.lexically_normal();
  return current;
}

}  // namespace

bool wildcardMatch(std::string_view pattern, std::string_view name) {
  // Iterative glob with backtracking to the last "*".
  std::size_t p = 0, n = 0, starP = std::string_view::npos, starN = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      starP = p++;
      starN = n;
    } else if (p < pattern.size() && (pattern[p] == '?' || foldAscii(pattern[p]) == foldAscii(name[n]))) {
      ++p;
      ++n;
    } else if (starP != std::string_view::npos) {
      p = starP + 1;
      n = ++starN;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

std::optional<fs::path> resolve(std::string_view scriptPath) {
  std::optional<fs::path> found = walk(scriptPath, false);
  std::error_code ec;
  if (found && fs::is_directory(*found, ec)) return std::nullopt;
  return found;
}

bool exists(std::string_view scriptPath) {
  return walk(scriptPath, true).has_value();
}

std::string findPicture(std::string_view name, std::string_view moduleDirectory) {
  static constexpr std::string_view kSuffixes[] = {"", ".png", ".jpg", ".jpeg", ".bmp", ".gif"};
  const std::string bases[] = {std::string(name), std::string(moduleDirectory) + std::string(name)};
  for (const std::string& base : bases) {
    for (const std::string_view suffix : kSuffixes) {
      std::string candidate = base;
      candidate += suffix;
      if (exists(candidate)) return candidate;
    }
  }
  return {};
}

std::optional<fs::path> foundIgnoringCase(std::string_view scriptPath) {
  if (scriptPath.find_first_of("*?") != std::string_view::npos) return std::nullopt;
  bool caseFolded = false;
  std::optional<fs::path> found = walk(scriptPath, false, &caseFolded);
  if (!found || !caseFolded) return std::nullopt;
  return found;
}

std::optional<std::string> fromNative(std::string_view native) {
  // Escaping every character that does not come back as itself keeps the path's folders: U+00A5, which
  // the code page writes as 0x5C, would otherwise become a separator.
  std::optional<std::string> sjisPath = utf8ToSjisEscaped(native);
  if (!sjisPath) return std::nullopt;
  return sjis::replaceAll(*sjisPath, "/", "\\");
}

std::string forMessage(std::string_view scriptPath) {
  return sjis::replaceAll(scriptPath, "\\", "/");
}

std::string toDisplay(std::string_view scriptPath) {
  return sjisToUtf8(forMessage(scriptPath));
}

fs::path moduleDirectoryNative() {
#if defined(__EMSCRIPTEN__)
  // In a browser the player's own files are packed in /tavrik (TAVRIK_HOME elsewhere, as under node).
  const char* home = std::getenv("TAVRIK_HOME");
  return (home && *home) ? fs::path(home) : fs::path("/tavrik");
#endif
  std::error_code ec;
  fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  if (ec) return fs::current_path(ec);
  exe = fs::weakly_canonical(exe, ec);
  return exe.parent_path();
}

std::string moduleDirectory() {
  const std::string native = moduleDirectoryNative().string();
  std::string dir = fromNative(native).value_or(native);
  if (dir.empty() || dir.back() != '\\') dir += '\\';
  return dir;
}

}  // namespace tavrik::paths
