#include "app/options.h"

#include <cctype>
#include <charconv>
#include <string_view>

#include "base/messages.h"

namespace tavrik {

std::optional<CommandLine> parseCommandLine(int argc, const char* const* argv, std::string* error) {
  CommandLine out;
  auto fail = [&](std::string message) -> std::optional<CommandLine> {
    if (error) *error = std::move(message);
    return std::nullopt;
  };
  if (argc > 0) out.arguments.emplace_back(argv[0]);
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    auto value = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
    if (arg == "--headless") {
      out.automation.headless = true;
    } else if (arg == "--frames") {
      const char* v = value();
      long long n = -1;
      const std::string_view text = v ? v : "";
      const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), n);
      if (!v || ec != std::errc{} || end != text.data() + text.size() || n < 1)
        return fail(en(MessageId::OptionFramesNeedsNumber));
      out.automation.frames = n;
    } else if (arg == "--screenshot" || arg == "--audio-out") {
      const char* v = value();
      if (!v) return fail(en(MessageId::OptionNeedsFileName, {arg}));
      // The picture is always a PNG and the sound a WAV: a name that says otherwise is a mistake, not a
      // wish for another format.
      std::string extension = std::filesystem::path(v).extension().string();
      for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      const bool picture = arg == "--screenshot";
      if (extension != (picture ? ".png" : ".wav"))
        return fail(en(picture ? MessageId::OptionScreenshotNeedsPng : MessageId::OptionAudioOutNeedsWav));
      (picture ? out.automation.screenshot : out.automation.audioOut) = v;
    } else if (arg == "--events") {
      const char* v = value();
      if (!v) return fail(en(MessageId::OptionNeedsFileName, {arg}));
      out.automation.events = v;
    } else if (arg == "--restore-state") {
      const char* v = value();
      if (!v) return fail(en(MessageId::OptionNeedsFileName, {arg}));
      out.automation.restoreState = v;
    } else if (arg == "--new" || arg == "-n") {
      out.automation.startAfresh = true;
    } else if (arg == "--saves") {
      const char* v = value();
      if (!v || !*v) return fail(en(MessageId::OptionSavesNeedsFolder));
      out.automation.saves = v;
    } else if (arg == "--no-reload") {
      out.automation.noReload = true;
    } else if (arg == "--debug") {
      out.automation.debug = true;
    } else if (arg == "--goto") {
      const char* v = value();
      const std::string_view text = v ? v : "";
      const std::size_t colon = text.rfind(':');
      int line = 0;
      const char* digits = colon == std::string_view::npos ? nullptr : text.data() + colon + 1;
      const auto [end, ec] = digits ? std::from_chars(digits, text.data() + text.size(), line)
                                    : std::from_chars_result{text.data(), std::errc::invalid_argument};
      if (!v || colon == 0 || colon == std::string_view::npos || ec != std::errc{} ||
          end != text.data() + text.size() || line < 1)
        return fail(en(MessageId::OptionGotoNeedsLine));
      out.automation.gotoLine = std::pair{std::string(text.substr(0, colon)), line};
    } else if (arg == "--dump-variables") {
      out.automation.dumpVariables = true;
    } else if (arg == "--check") {
      out.automation.check = true;
    } else if (arg == "--lint") {
      out.automation.lint = true;
    } else if (arg == "--format") {
      const char* v = value();
      const std::string_view format = v ? v : "";
      if (format != "text" && format != "json") return fail(en(MessageId::OptionFormatNeedsName));
      out.automation.lintJson = format == "json";
    } else if (arg == "--help") {
      out.automation.help = true;
    } else if (arg == "--version") {
      out.automation.version = true;
    } else {
      out.arguments.emplace_back(arg);
    }
  }
  // A window's sound goes to its device, in the time the desktop keeps.
  if (out.automation.audioOut && !out.automation.headless)
    return fail(en(MessageId::OptionAudioOutNeedsHeadless));
  return out;
}

PlayerOptions scanPlayerOptions(const std::vector<std::string>& arguments) {
  PlayerOptions options;
  // Two independent passes, as the display and the frame each read their own options: every argument,
  // the script path included, is examined by both.
  for (std::size_t i = 1; i < arguments.size(); ++i) {
    const std::string& arg = arguments[i];
    if (arg == "-f") {
      options.fullscreen = true;
    } else if (arg == "-w" || arg == "-h" || arg == "-ww" || arg == "-wh" || arg == "-fw" || arg == "-fh") {
      // The display is always 800 x 600: the size options are read, their values skipped, and ignored.
      ++i;
    }
  }
  for (std::size_t i = 1; i < arguments.size(); ++i) {
    if (arguments[i] == "-nce" || arguments[i] == "-noconfirmexit") options.confirmExit = false;
  }
  return options;
}

std::string usageText() {
  return en(MessageId::Usage);
}

}  // namespace tavrik
