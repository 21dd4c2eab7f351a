// The player's start-up, up to a compiled script in a frame ready to play it: the events file read, the
// sound and the fonts got ready on threads of their own while the window is made, the menus and the
// player's interface, the script found once and compiled. Each problem is reported where the player
// can show it (a box in its window, or one of its own when there is no window), and the start stops.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/app_frame.h"
#include "app/font_choice.h"
#include "app/options.h"
#include "app/script_location.h"
#include "app/version.h"
#include "base/messages.h"
#include "platform/audio_output.h"
#include "platform/glyph_font.h"
#include "scene/image_store.h"
#include "script/compiler/program.h"
#include "ui/player_settings.h"

namespace tavrik {

inline const std::string kAppTitle = ja(MessageId::AppTitle, {kAppVersion});

// What a started player is made of. The sound output and the fonts outlive the engine, whose channels
// and fonts come from them.
struct PlayerServices {
  std::unique_ptr<AppFrame> frame;
  std::unique_ptr<AudioOutput> audio;
  std::unique_ptr<FontLibrary> fonts;
  FontChoice fontChoice;
  ScriptLocation script;
  std::shared_ptr<const Program> program;
  std::vector<ImageStore::ReadyPicture> readyPictures;  // the first frame's, read while the window opened
  std::filesystem::path moduleDirectory;                // the executable's folder
  std::filesystem::path savesFolder;                    // where the game's saves are kept
  PlayerSettings playerSettings;                        // as read from their file at the start
  // The authors' tools are offered to whoever asks, and to a game that is not the player's own.
  bool authoringOffered = false;
};

// Nothing when the start stopped; the reason has been shown, and exitCode says how the process ends.
std::optional<PlayerServices> startPlayer(const CommandLine& commandLine, int* exitCode);

// A start-up error or a script error once the frame exists, in a box that stays in the last frame (and
// in the --screenshot, when one is asked for).
void reportStartupProblem(AppFrame& frame, const AutomationOptions& automation, const std::string& caption,
                          const std::string& text);

// --check: compiles the script the command line names and reports the first error, with nothing of
// the display, fonts or sound started. The exit status.
int checkScript(const CommandLine& commandLine);
// --lint: lints the script the command line names (as given, or the default script) and writes the
// findings to standard output. The exit status: 1 when any is an error.
int runLint(const CommandLine& commandLine);

}  // namespace tavrik
