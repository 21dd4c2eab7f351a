#include "base/script_error.h"

#include "base/messages.h"

namespace tavrik {

std::string ScriptError::reportText(std::string_view shownPath) const {
  std::string text = jaSjis(MessageId::ScriptErrorWhere, {shownPath, std::to_string(index)});
  text += '\n';
  text += line;
  text += '\n';
  text += message;
  return text;
}

}  // namespace tavrik
