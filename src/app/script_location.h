// Where the game to play is: found once at start from the command line and handed to everything after
// (the compiler, the saves' folder, the authoring tools), so that no one searches for it again.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace tavrik {

struct ScriptLocation {
  enum class Found { Argument, BesideExecutable, Default };
  std::optional<std::string> path;              // the script path (Shift-JIS, "\"); nothing when not found
  std::optional<std::filesystem::path> native;  // the file on disk; nothing for a wildcard
  Found found = Found::Default;
  std::string error;  // why there is none: the start-up message, in UTF-8
};

// The script to play: argument 1 (as given, then beside the executable), else the default script beside
// the executable. moduleDirectory is a script path ending in "\".
ScriptLocation locateScript(const std::vector<std::string>& arguments, const std::string& moduleDirectory);

}  // namespace tavrik
