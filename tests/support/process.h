// Runs the player as a separate process, the way a user or a script author does.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace tavrik::test {

struct ProcessResult {
  int exitCode = -1;  // 128 + the signal that ended the process; -1 when it was killed for taking too long
  std::string out;
  std::string err;
  long peakResidentMb = 0;  // the most resident memory the process held
};

// A signal sent to the process once a file exists (the player has got that far).
struct SignalWhen {
  std::filesystem::path fileExists;
  int signal = 0;
};

// Runs program with arguments in workingDirectory; extraEnv entries are NAME=VALUE. Gives up (and kills
// the process) after timeoutSeconds. exitCode is 128 + the signal for a process a signal ended.
ProcessResult runProcess(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                         const std::filesystem::path& workingDirectory,
                         const std::vector<std::string>& extraEnv = {}, int timeoutSeconds = 60,
                         const SignalWhen& signalWhen = {});

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
