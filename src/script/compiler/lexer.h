// Line-level rules of the script language: normalising a directive line and splitting it into fields.
#pragma once

#include <string>
#include <string_view>

namespace tavrik {

// Removes blanks (tab, space, full-width space) and turns the full-width forms of # : , = + - * / % > < !,
// of the digits and of the Latin letters into their ASCII counterparts. Nothing else changes.
std::string normalizeLine(std::string_view line);

// A normalised line that is empty or starts with "##".
inline bool isCommentLine(std::string_view normalized) {
  return normalized.empty() || normalized.substr(0, 2) == "##";
}

struct DirectiveFields {
  std::string_view head;
  std::string_view firstArg;
  std::string_view secondArg;
};

// Fields 0, 1 and 2 of a line (whose "#" are already removed) split by ":"; text after a third ":" is
// ignored. The views point into line.
DirectiveFields splitDirective(std::string_view line);

}  // namespace tavrik
