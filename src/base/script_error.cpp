#include "base/script_error.h"

#include "base/keywords.h"

namespace tavrik {

std::string ScriptError::reportText(std::string_view shownPath) const {
  std::string text(shownPath);
  text += kw::kReportOf;
  text += std::to_string(index);
  text += kw::kReportLine;
  text += '\n';
  text += line;
  text += '\n';
  text += message;
  return text;
}

}  // namespace tavrik
