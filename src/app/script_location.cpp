#include "app/script_location.h"

#include "base/messages.h"
#include "base/script_path.h"

namespace tavrik {

ScriptLocation locateScript(const std::vector<std::string>& arguments, const std::string& moduleDirectory) {
  ScriptLocation location;
  if (arguments.size() < 2) {
    const std::string defaultScript = moduleDirectory + "credit\\credit.tvk";
    location.native = paths::resolve(defaultScript);
    if (location.native)
      location.path = defaultScript;
    else
      location.error = ja(MessageId::ScriptNotGiven);
    return location;
  }
  // The argument arrives in the terminal's UTF-8; scripts and their paths live in Shift-JIS.
  const std::string& argument = arguments[1];
  const std::string script = paths::fromNative(argument).value_or(argument);
  const std::string candidates[] = {script, moduleDirectory + script};
  for (const std::string& candidate : candidates) {
    if (!paths::exists(candidate)) continue;
    // A folder, a pipe or a device would compile to nothing, or never finish being read. (A wildcard
    // that matches names no single file and passes, as it always has.)
    std::error_code ec;
    const bool wildcard = candidate.find_first_of("*?") != std::string::npos;
    location.native = paths::resolve(candidate);  // none for a folder
    if (!wildcard && (!location.native || !std::filesystem::is_regular_file(*location.native, ec))) {
      location.native.reset();
      location.error = ja(MessageId::ScriptNotReadable, {paths::toDisplay(candidate)});
      return location;
    }
    location.path = candidate;
    location.found = &candidate == &candidates[0] ? ScriptLocation::Found::Argument
                                                  : ScriptLocation::Found::BesideExecutable;
    return location;
  }
  location.error = ja(MessageId::ScriptFileMissing, {paths::toDisplay(moduleDirectory + script)});
  return location;
}

}  // namespace tavrik
