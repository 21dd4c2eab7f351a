// Runs the player as a separate process, the way a user or a script author does.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace tavrik::test {

struct ProcessResult {
  int exitCode = -1;  // -1 when the process did not exit normally
  std::string out;
  std::string err;
  long peakResidentMb = 0;  // the most resident memory the process held
};

// Runs program with arguments in workingDirectory; extraEnv entries are NAME=VALUE. Gives up (and kills
// the process) after timeoutSeconds.
ProcessResult runProcess(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                         const std::filesystem::path& workingDirectory,
                         const std::vector<std::string>& extraEnv = {}, int timeoutSeconds = 60);

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
  ProcessResult run(const std::vector<std::string>& arguments,
                    const std::vector<std::string>& extraEnv = {}) const;

 private:
  std::filesystem::path root_;
};

}  // namespace tavrik::test
