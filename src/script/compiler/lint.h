// The lint: compiles a script past its errors and then looks for what compiles but is almost surely
// wrong (a number that reads as 0, a block left open, a picture that is not there, a wait that never
// ends, a name never used...). Findings name the file, the 1-based line and column (in characters: a
// two-byte character is one column, so is a tab) and say what is wrong in Japanese and then in English.
// Needs nothing but the compiler and the file system.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tavrik {

struct LintFinding {
  enum class Severity { Error, Warning };
  std::string file;  // the script path for display (UTF-8, "/")
  int line = 1;      // 1-based
  int column = 1;    // 1-based, in characters
  Severity severity = Severity::Error;
  std::string check;    // what found it, a stable short name such as "not-a-number"
  std::string message;  // UTF-8: the Japanese message, " — ", the English one
};

struct LintOptions {
  // Where pictures are also looked for, as the player looks beside its executable (a script path
  // ending in "\"); empty for nowhere else.
  std::string moduleDirectory;
};

// At most this many findings are told for one script; when there are more, or the lint stopped early
// (a file that is no script), one more finding ("too-many-findings") says so, and how many were left out.
inline constexpr std::size_t kMaxFindings = 10'000;

// Lints the main script (a Shift-JIS script path) and every file it inserts. The findings in file order
// (the main script first), then by line and column, the first kMaxFindings of them.
std::vector<LintFinding> lintScript(const std::string& scriptPath, const LintOptions& options = {});

bool hasErrors(const std::vector<LintFinding>& findings);

// One finding a line: "FILE:LINE:COLUMN: error|warning: message". Control characters in the file and
// the message (a line feed in a file name, say) are written as escapes ("\x0a"), so that every line is
// a finding.
std::string lintText(const std::vector<LintFinding>& findings);
// A JSON array of objects with file, line, column, severity ("error" or "warning"), check and message.
std::string lintJson(const std::vector<LintFinding>& findings);

}  // namespace tavrik
