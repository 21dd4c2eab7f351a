#include "support/process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>

#include <gtest/gtest.h>

extern char** environ;

namespace tavrik::test {

ProcessResult runProcess(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                         const std::filesystem::path& workingDirectory,
                         const std::vector<std::string>& extraEnv, int timeoutSeconds,
                         const SignalWhen& signalWhen) {
  ProcessResult result;
  int outPipe[2], errPipe[2];
  // Close-on-exec, so that a player started from another thread meanwhile does not hold these open.
  if (pipe2(outPipe, O_CLOEXEC) != 0 || pipe2(errPipe, O_CLOEXEC) != 0) {
    ADD_FAILURE() << "pipe failed";
    return result;
  }
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e) env.emplace_back(*e);
  for (const std::string& extra : extraEnv) {
    const std::string name = extra.substr(0, extra.find('=') + 1);
    std::erase_if(env, [&](const std::string& v) { return v.rfind(name, 0) == 0; });
    env.push_back(extra);
  }
  std::vector<char*> argv{const_cast<char*>(program.c_str())};
  for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  std::vector<char*> envp;
  for (std::string& v : env) envp.push_back(v.data());
  envp.push_back(nullptr);

  const pid_t pid = fork();
  if (pid == 0) {
    dup2(outPipe[1], 1);
    dup2(errPipe[1], 2);
    close(outPipe[0]);
    close(errPipe[0]);
    int devnull = open("/dev/null", O_RDONLY);
    dup2(devnull, 0);
    if (chdir(workingDirectory.c_str()) != 0) _exit(126);
    execve(program.c_str(), argv.data(), envp.data());
    _exit(127);
  }
  close(outPipe[1]);
  close(errPipe[1]);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
  pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
  int open = 2;
  bool killed = false;
  bool signalled = signalWhen.signal == 0;
  while (open > 0) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
      kill(pid, SIGKILL);
      killed = true;
      break;
    }
    if (!signalled) {
      std::error_code ec;
      if (std::filesystem::exists(signalWhen.fileExists, ec)) {
        kill(pid, signalWhen.signal);
        signalled = true;
      }
    }
    const int wait =
        signalled ? static_cast<int>(left.count()) : std::min(50, static_cast<int>(left.count()));
    if (poll(fds, 2, wait) <= 0) continue;
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP))) continue;
      char buffer[4096];
      const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
      if (n <= 0) {
        close(fds[i].fd);
        fds[i].fd = -1;
        --open;
      } else {
        (i == 0 ? result.out : result.err).append(buffer, static_cast<std::size_t>(n));
      }
    }
  }
  for (pollfd& f : fds) {
    if (f.fd >= 0) close(f.fd);
  }
  int status = 0;
  struct rusage usage {};
  wait4(pid, &status, 0, &usage);
  result.peakResidentMb = usage.ru_maxrss / 1024;
  if (!killed && WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
  if (!killed && WIFSIGNALED(status)) result.exitCode = 128 + WTERMSIG(status);
  if (killed) ADD_FAILURE() << "the player did not end within " << timeoutSeconds << " s";
  return result;
}

}  // namespace tavrik::test
