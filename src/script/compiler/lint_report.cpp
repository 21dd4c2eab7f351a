// The two forms the findings are written in: one a line as text, and JSON.
#include <cstdio>

#include "base/terminal_text.h"
#include "script/compiler/lint.h"

namespace tavrik {

namespace {

std::string jsonString(std::string_view s) {
  std::string out = "\"";
  for (const char ch : s) {
    const auto c = static_cast<unsigned char>(ch);
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (c < 0x20 || c == 0x7F) {
          char buffer[8];
          std::snprintf(buffer, sizeof buffer, "\\u%04x", c);
          out += buffer;
        } else {
          out += ch;
        }
    }
  }
  return out + "\"";
}

const char* severityName(LintFinding::Severity severity) {
  return severity == LintFinding::Severity::Error ? "error" : "warning";
}

}  // namespace

std::string lintText(const std::vector<LintFinding>& findings) {
  // terminalText leaves the line feed, which would start a line of its own.
  auto oneLine = [](std::string_view text) {
    std::string out;
    for (const char c : terminalText(text)) {
      if (c == '\n')
        out += "\\x0a";
      else
        out += c;
    }
    return out;
  };
  std::string out;
  for (const LintFinding& f : findings) {
    out += oneLine(f.file) + ":" + std::to_string(f.line) + ":" + std::to_string(f.column) + ": " +
           severityName(f.severity) + ": " + oneLine(f.message) + "\n";
  }
  return out;
}

std::string lintJson(const std::vector<LintFinding>& findings) {
  if (findings.empty()) return "[]\n";
  // One finding a line, the brackets on the first and the last, as the text form has one a line.
  std::string out;
  for (std::size_t i = 0; i < findings.size(); ++i) {
    const LintFinding& f = findings[i];
    out += i == 0 ? "[" : " ";
    out += "{\"file\": " + jsonString(f.file) + ", \"line\": " + std::to_string(f.line) +
           ", \"column\": " + std::to_string(f.column) + ", \"severity\": \"" + severityName(f.severity) +
           "\", \"check\": " + jsonString(f.check) + ", \"message\": " + jsonString(f.message) + "}";
    out += i + 1 < findings.size() ? ",\n" : "]\n";
  }
  return out;
}

}  // namespace tavrik
