#include "app/automation_outputs.h"

#include <cstdio>

#include "base/files.h"
#include "base/messages.h"
#include "base/terminal_text.h"
#include "base/text_encoding.h"
#include "platform/graphics_device.h"
#include "script/runtime/script_engine.h"

namespace tavrik {

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

bool AutomationOutputs::writeAtEnd(ScriptEngine& engine, GraphicsDevice& graphics,
                                   const AutomationOptions& automation) {
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

}  // namespace tavrik
