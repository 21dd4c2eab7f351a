// Helpers for the tests of the whole player: the player started headless in the test's own process, and
// a private copy of the built player to run as a separate one.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/game_app.h"
#include "app/options.h"
#include "support/process.h"
#include "support/runtime_support.h"

namespace tavrik::test {

// The command line of `tavrik SCRIPT -nce ARGUMENTS... --headless --frames FRAMES`, the way a test starts
// the player in its own process; the test sets any other automation option on it.
CommandLine headlessCommandLine(const std::filesystem::path& script, long long frames,
                                const std::vector<std::string>& arguments = {});

// GameApp::start with the command line; null, and the test failed, when the player did not start.
std::unique_ptr<GameApp> startHeadless(const CommandLine& commandLine);

// A private copy of the built player with its own files beside it, in a temporary folder, so that a
// test never writes into the build tree or the home directory.
class PlayerCopy {
 public:
  PlayerCopy();
  ~PlayerCopy();
  const std::filesystem::path& root() const { return root_; }
  std::filesystem::path executable() const { return root_ / "bin" / "tavrik"; }
  std::filesystem::path binDir() const { return root_ / "bin"; }
  // Runs the copy in root() with HOME and the XDG folders pointed inside it.
  ProcessResult run(const std::vector<std::string>& arguments, const std::vector<std::string>& extraEnv = {},
                    const SignalWhen& signalWhen = {}) const;
  // The folders the copy's runs are given as XDG_CONFIG_HOME and XDG_DATA_HOME.
  std::filesystem::path configHome() const { return root_ / "home/.config"; }
  std::filesystem::path dataHome() const { return root_ / "home/.local/share"; }

 private:
  std::filesystem::path root_;
};

}  // namespace tavrik::test
