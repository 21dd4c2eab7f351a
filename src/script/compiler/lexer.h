// Line-level rules of the script language: normalising a directive line and splitting it into fields.
#pragma once

#include <string>
#include <string_view>

namespace tavrik {

// Removes blanks (tab, space, full-width space) and turns the full-width forms of # : , = + - * / % > < !,
// of the digits and of the Latin letters into their ASCII counterparts. Nothing else changes.
std::string normalizeLine(std::string_view line);

// Whether the whole text reads as a number, as parseInt or parseFloat read one: a sign, digits and, unless
// integer, a fraction and an exponent. Anything else is read as far as it goes, or as 0.
bool readsAsNumber(std::string_view text, bool integer);

// The 1-based column, counted in characters of line as written (a two-byte character is one column), of
// the character that gave byte offset of normalizeLine(line) (with every "#" also removed when
// hashesRemoved). An offset at or past the end gives the column after the last character that gave any
// byte, and a line that gives none column 1.
int normalizedColumn(std::string_view line, std::size_t offset, bool hashesRemoved);

// normalizedColumn for many offsets into one line: offsets asked in increasing order cost one walk along
// the line in all (an offset before the last one asked walks again from the start). The line must
// outlive it.
class NormalizedColumns {
 public:
  NormalizedColumns(std::string_view line, bool hashesRemoved) : line_(line), hashesRemoved_(hashesRemoved) {}
  int columnAt(std::size_t offset);

 private:
  std::string_view line_;
  bool hashesRemoved_;
  std::size_t at_ = 0;        // the byte of the line the walk stands at
  std::size_t produced_ = 0;  // the normalised bytes the characters before it give
  int column_ = 0;            // the characters before it
  int lastGiving_ = -1;       // the last of them that gives any byte
};

// The 1-based column of the first character of line that is not a blank (tab, space, full-width space);
// 1 for a blank line.
int firstColumn(std::string_view line);

// A normalised line that is empty or starts with "##".
inline bool isCommentLine(std::string_view normalized) {
  return normalized.empty() || normalized.substr(0, 2) == "##";
}

// isCommentLine(normalizeLine(line)), found without normalising the line.
bool isBlankOrComment(std::string_view line);

struct DirectiveFields {
  std::string_view head;
  std::string_view firstArg;
  std::string_view secondArg;
};

// Fields 0, 1 and 2 of a line (whose "#" are already removed) split by ":"; text after a third ":" is
// ignored. The views point into line.
DirectiveFields splitDirective(std::string_view line);

}  // namespace tavrik
