// The command line: the automation options that tests and game authors use, taken out wherever they
// stand, and the player's own arguments, which keep their positions.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace tavrik {

struct AutomationOptions {
  bool headless = false;
  std::optional<long long> frames;  // end normally after this many frames
  std::optional<std::filesystem::path> screenshot;
  std::optional<std::filesystem::path> audioOut;  // headless: the mix written to this WAV file
  std::optional<std::filesystem::path> events;
  std::optional<std::filesystem::path> restoreState;  // a state saved by the events file's save-state
  bool dumpVariables = false;
  bool startAfresh = false;                    // --new, -n: no offer to continue an interrupted play
  std::optional<std::filesystem::path> saves;  // --saves: the folder of the saves and the seen-waits record
  // For authors: no reload when the script files change; start at the first input wait at or after a
  // line (the file as given, the line 1-based); the debug view.
  bool noReload = false;
  std::optional<std::pair<std::string, int>> gotoLine;
  bool debug = false;
  bool check = false;
  bool lint = false;
  bool lintJson = false;  // --format json
  bool help = false;
  bool version = false;
};

struct CommandLine {
  AutomationOptions automation;
  // Argument 0 is the program; argument 1, when present, is the script.
  std::vector<std::string> arguments;
};

// Nothing, with a message in error, for a malformed automation option.
std::optional<CommandLine> parseCommandLine(int argc, const char* const* argv, std::string* error);

// The player's own options, each a whole argument compared byte for byte.
struct PlayerOptions {
  bool confirmExit = true;  // cleared by "-nce" or "-noconfirmexit"
  bool fullscreen = false;  // "-f"
};
PlayerOptions scanPlayerOptions(const std::vector<std::string>& arguments);

std::string usageText();

}  // namespace tavrik
