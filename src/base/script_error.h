// A compile error: the first one found ends the compile, and the player reports it and stops.
#pragma once

#include <string>
#include <string_view>

namespace tavrik {

struct ScriptError {
  std::string path;        // the file being compiled, as handed to the compile (Shift-JIS)
  std::string line;        // the offending line as read; empty when the file has no such line
  bool utf8Line = false;   // the file was written in UTF-8: line is as written
  int index = 0;           // zero-based index of the offending line
  bool wholeFile = false;  // the file itself is at fault (it cannot be read): no line is meant
  std::string message;     // Shift-JIS

  // The three lines of the report in Shift-JIS: path + "の" + index + "行目：", the line as written,
  // the message. shownPath stands in for the path where it is shown in another form.
  std::string reportText() const { return reportText(path); }
  std::string reportText(std::string_view shownPath) const;
};

}  // namespace tavrik
