// The benchmarks' own home: HOME and the XDG folders in a temporary folder, silent sound, and the
// platform session, headless or in a window; and the player started as the benchmarks start it.
#pragma once

#include <stdlib.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "app/game_app.h"
#include "platform/session.h"

namespace tavrik::bench {

struct TemporaryHome {
  explicit TemporaryHome(bool headless = true) {
    std::string pattern = (std::filesystem::temp_directory_path() / "tavrik-bench-XXXXXX").string();
    home = ::mkdtemp(pattern.data());
    ::setenv("HOME", home.c_str(), 1);
    ::setenv("XDG_DATA_HOME", (home / ".local/share").c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (home / ".config").c_str(), 1);
    ::setenv("SDL_AUDIODRIVER", "dummy", 1);
    std::string error;
    session = PlatformSession::start(headless, &error);
  }
  ~TemporaryHome() {
    session.reset();
    std::error_code ec;
    std::filesystem::remove_all(home, ec);
  }
  TemporaryHome(const TemporaryHome&) = delete;
  TemporaryHome& operator=(const TemporaryHome&) = delete;

  std::filesystem::path home;
  std::unique_ptr<PlatformSession> session;
};

// A display is set: the benchmarks that can run in a window do.
inline bool haveDisplay() {
  const char* display = std::getenv("DISPLAY");
  return display && *display;
}

// The player on a script as the benchmarks start it: its saves and events given, afresh, headless unless
// window is set.
inline std::unique_ptr<GameApp> startPlayer(const std::filesystem::path& script,
                                            const std::filesystem::path& saves,
                                            const std::filesystem::path& events, bool window = false,
                                            long long frames = 100000) {
  CommandLine commandLine;
  commandLine.arguments = {"tavrik", script.string(), "-nce"};
  commandLine.automation.headless = !window;
  commandLine.automation.frames = frames;
  commandLine.automation.events = events;
  commandLine.automation.saves = saves;
  commandLine.automation.startAfresh = true;
  int exitCode = 1;
  return GameApp::start(commandLine, &exitCode);
}

// The events of the first frames of an events file, written to file: a run that ends before its events
// file does is told so on every run.
inline std::filesystem::path eventsWithin(const std::filesystem::path& events, long long frames,
                                          const std::filesystem::path& file) {
  std::ifstream in(events);
  std::ofstream out(file);
  for (std::string line; std::getline(in, line);) {
    const bool numbered = !line.empty() && std::isdigit(static_cast<unsigned char>(line[0]));
    if (!numbered || std::stoll(line) < frames) out << line << "\n";
  }
  return file;
}

}  // namespace tavrik::bench
