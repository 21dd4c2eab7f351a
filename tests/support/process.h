// Runs a program as a separate process, the way a user or a script author runs the player (the private
// copy of the built player to run is in support/app_support.h).
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

}  // namespace tavrik::test
