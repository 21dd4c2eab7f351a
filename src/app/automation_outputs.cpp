#include "app/automation_outputs.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <sstream>

#include "base/files.h"
#include "base/messages.h"
#include "base/terminal_text.h"
#include "base/text_encoding.h"
#include "platform/audio_output.h"
#include "platform/graphics_device.h"
#include "script/runtime/script_engine.h"

namespace tavrik {

namespace fs = std::filesystem;

bool AutomationOutputs::restoreStateFile(ScriptEngine& engine, const std::filesystem::path& file) {
  const std::optional<std::string> bytes = readFile(file);
  if (!bytes) {
    std::fprintf(stderr, "tavrik: %s\n",
                 en(MessageId::StateFileUnreadable, {terminalText(file.string())}).c_str());
    return false;
  }
  const auto* data = reinterpret_cast<const std::uint8_t*>(bytes->data());
  if (const std::optional<StateError> refused = engine.states().restore({data, bytes->size()})) {
    std::fprintf(stderr, "tavrik: %s: %s\n", terminalText(file.string()).c_str(), describe(*refused).c_str());
    return false;
  }
  return true;
}

void AutomationOutputs::saveStateFile(ScriptEngine& engine, const std::filesystem::path& file) {
  const std::vector<std::uint8_t> bytes = engine.states().save();
  if (!writeFileAtomically(file, {reinterpret_cast<const char*>(bytes.data()), bytes.size()})) {
    std::fprintf(stderr, "tavrik: %s\n",
                 en(MessageId::StateFileUnwritable, {terminalText(file.string())}).c_str());
    failed_ = true;
  }
}

bool AutomationOutputs::writeAtEnd(ScriptEngine& engine, GraphicsDevice& graphics, AudioOutput* audio,
                                   const AutomationOptions& automation) {
  if (automation.audioOut && audio && !audio->finishRecording()) {
    std::fprintf(stderr, "tavrik: %s\n",
                 en(MessageId::AudioOutUnwritable, {terminalText(automation.audioOut->string())}).c_str());
    failed_ = true;
  }
  if (automation.screenshot && !graphics.saveLastFrame(*automation.screenshot)) {
    std::fprintf(
        stderr, "tavrik: %s\n",
        en(MessageId::ScreenshotUnwritable, {terminalText(automation.screenshot->string())}).c_str());
    failed_ = true;
  }
  if (automation.dumpVariables) {
    const std::vector<std::string>& names = engine.program().variables;
    for (std::size_t i = 0; i < names.size(); ++i) {
      // A name is whatever the script declared: its control characters are shown, not obeyed.
      std::printf("%s=%g\n", terminalText(sjisToUtf8(names[i])).c_str(),
                  static_cast<double>(engine.variables()[i]));
    }
    std::fflush(stdout);
  }
  return !failed_;
}

fs::path AutomationOutputs::screenshotFolder() {
  const char* home = std::getenv("HOME");
  const fs::path homeFolder = home && *home == '/' ? fs::path(home) : fs::path(".");
  const char* config = std::getenv("XDG_CONFIG_HOME");
  const fs::path dirs =
      (config && *config == '/' ? fs::path(config) : homeFolder / ".config") / "user-dirs.dirs";
  fs::path pictures = homeFolder / "Pictures";
  // The file's line: XDG_PICTURES_DIR="$HOME/Pictures", or an absolute path in the quotes.
  if (const std::optional<std::string> text = readFile(dirs, 64 * 1024)) {
    std::istringstream lines(*text);
    for (std::string line; std::getline(lines, line);) {
      constexpr std::string_view key = "XDG_PICTURES_DIR=\"";
      if (!line.starts_with(key) || line.size() < key.size() + 1 || line.back() != '"') continue;
      std::string value = line.substr(key.size(), line.size() - key.size() - 1);
      if (value.starts_with("$HOME"))
        pictures = homeFolder / fs::path(value.substr(5)).relative_path();
      else if (value.starts_with("/"))
        pictures = value;
    }
  }
  return pictures / "tavrik";
}

std::string AutomationOutputs::keepScreenshot(GraphicsDevice& graphics) {
  const fs::path folder = screenshotFolder();
  std::error_code ec;
  fs::create_directories(folder, ec);
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "tavrik-%Y%m%d-%H%M%S", &local);
  fs::path file = folder / (std::string(stamp) + ".png");
  for (int n = 2; fs::exists(file, ec) && n < 1000; ++n)
    file = folder / (std::string(stamp) + "-" + std::to_string(n) + ".png");
  if (!graphics.saveLastFrame(file)) return ja(MessageId::ScreenshotNotKept, {folder.string()});
  return ja(MessageId::ScreenshotKept, {file.filename().string()});
}

}  // namespace tavrik
