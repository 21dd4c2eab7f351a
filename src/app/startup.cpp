#include "app/startup.h"

#include <algorithm>
#include <cstdio>
#include <future>

#include "app/authoring.h"
#include "app/player_commands.h"
#include "app/save_store.h"
#include "app/settings.h"
#include "app/window_view.h"
#include "base/files.h"
#include "base/messages.h"
#include "base/script_path.h"
#include "base/terminal_text.h"
#include "base/text_encoding.h"
#include "base/theme_file.h"
#include "base/threads.h"
#include "platform/desktop.h"
#include "platform/image_decoder.h"
#include "platform/overlay.h"
#include "script/compiler/lint.h"
#include "script/compiler/script_compiler.h"
#include "script/runtime/script_engine.h"
#include "ui/look.h"
#include "ui/message_box.h"

namespace tavrik {

namespace {

// Whether the script lies in the player's own folder (the default game, a demo beside it).
bool inFolder(const std::filesystem::path& folder, const std::optional<std::filesystem::path>& script) {
  namespace fs = std::filesystem;
  std::error_code ec;
  const fs::path own = fs::weakly_canonical(folder, ec);
  const fs::path played = script ? fs::weakly_canonical(*script, ec) : fs::path();
  return std::mismatch(own.begin(), own.end(), played.begin(), played.end()).first == own.end();
}

std::string eventsFileProblem(const std::string& path, ReadStatus status) {
  switch (status) {
    case ReadStatus::Missing:
      return ja(MessageId::EventsFileMissing, {path});
    case ReadStatus::NotRegular:
      return ja(MessageId::EventsFileNotRegular, {path});
    case ReadStatus::TooLarge:
      return ja(MessageId::EventsFileTooLarge, {path});
    default:
      return ja(MessageId::EventsFileUnreadable, {path});
  }
}

// The frame's settings from the command line, and the events file read into them. False when the
// events file cannot be parsed (said on standard error); one that cannot be read leaves its problem,
// told once a box can be shown.
bool frameSettings(const CommandLine& commandLine, FrameSettings* settings, std::string* eventsProblem) {
  const AutomationOptions& automation = commandLine.automation;
  const PlayerOptions player = scanPlayerOptions(commandLine.arguments);
  settings->titleUtf8 = kAppTitle;
  settings->headless = automation.headless;
  settings->fullscreen = player.fullscreen;
  settings->confirmExit = player.confirmExit;
  settings->frameLimit = automation.frames;
  settings->keepLastFrame = automation.screenshot.has_value();
  if (!automation.events) return true;
  ReadStatus status = ReadStatus::Ok;
  const std::optional<std::string> text =
      readRegularFile(*automation.events, EventScript::kMaxFileSize, false, &status);
  if (!text) {
    *eventsProblem = eventsFileProblem(automation.events->string(), status);
    return true;
  }
  std::string error;
  std::optional<EventScript> events = EventScript::parse(*text, &error);
  if (!events) {
    std::fprintf(stderr, "tavrik: %s: %s\n", terminalText(automation.events->string()).c_str(),
                 terminalText(error).c_str());
    return false;
  }
  settings->events = std::move(*events);
  return true;
}

struct ScriptAhead {
  CompileResult compiled;
  std::vector<ImageStore::ReadyPicture> pictures;
};

// The script compiled, and the pictures its first frame loads read and decoded.
ScriptAhead compileAhead(const std::string& path, const std::string& moduleDirectory) {
  ScriptAhead ahead{compileScript(path), {}};
  if (ahead.compiled.program)
    ahead.pictures = ImageStore::readAhead(picturesAtStart(*ahead.compiled.program), moduleDirectory);
  return ahead;
}

// The player's screens in the game's theme (the default look without one), its backdrop read.
void useTheme(Overlay& overlay, const Theme& theme, const std::optional<std::filesystem::path>& script) {
  applyLook(theme);
  if (theme.backdrop.empty() || !script) return;
  const std::optional<DecodedImage> picture =
      decodeImageFile(script->parent_path() / std::filesystem::path(theme.backdrop));
  if (picture) setBackdrop(overlay.createImage(picture->pixels.data(), picture->width, picture->height));
}

struct Fonts {
  std::unique_ptr<FontLibrary> library;
  std::vector<std::string> japaneseFaces;
};

// Without a graphics device there is no window of the player's for the box: it gets a small one of its
// own, where one can be had.
void reportNoDevice(bool headless, const std::string& deviceError, std::future<Fonts>& fonts) {
  const std::string caption = ja(MessageId::StartupErrorCaption);
  const std::string text = ja(MessageId::StartupNoDevice, {deviceError});
  printBox(caption, text);
  if (headless) return;
  const Fonts found = fonts.get();
  int faceIndex = 0;
  const std::string fontFile = found.library ? found.library->defaultFaceFile(faceIndex) : std::string();
  showBoxInOwnWindow(caption, text, fontFile, faceIndex);
}

}  // namespace

void reportStartupProblem(AppFrame& frame, const AutomationOptions& automation, const std::string& caption,
                          const std::string& text) {
  // A window's box is also on standard error, for whoever started the player from a terminal or a
  // script (without a display the box itself is).
  if (frame.haveDisplay()) printBox(caption, text);
  frame.ask(caption, text, BoxButtons::Ok, true);
  if (automation.screenshot && !frame.graphics().saveLastFrame(*automation.screenshot))
    std::fprintf(
        stderr, "tavrik: %s\n",
        en(MessageId::ScreenshotUnwritable, {terminalText(automation.screenshot->string())}).c_str());
}

std::optional<PlayerServices> startPlayer(const CommandLine& commandLine, int* exitCode) {
  *exitCode = 1;
  const AutomationOptions& automation = commandLine.automation;
  const bool headless = automation.headless;
  FrameSettings settings;
  std::string eventsProblem;
  if (!frameSettings(commandLine, &settings, &eventsProblem)) return std::nullopt;

  // A window's sound opens on a thread of its own once the first frame is up: the sound system can
  // take a tenth of a second to find its device, or to find there is none.
  PlayerServices services;
  if (automation.audioOut) {
    std::string error;
    services.audio = AudioOutput::record(*automation.audioOut, &error);
    if (!services.audio) {
      std::fprintf(stderr, "tavrik: %s: %s\n",
                   en(MessageId::AudioOutUnwritable, {terminalText(automation.audioOut->string())}).c_str(),
                   error.c_str());
      return std::nullopt;
    }
  } else {
    services.audio = AudioOutput::open(
        headless, headless ? AudioOutput::Opening::Now : AudioOutput::Opening::AfterFirstFrame);
  }
  // The fonts are found on a thread of their own while the window is made: reading the font
  // configuration takes as long as making it.
  // (Without threads, each is done where its result is first wanted.)
  constexpr std::launch aside = kHaveThreads ? std::launch::async : std::launch::deferred;
  std::future<Fonts> fonts = std::async(aside, [] {
    Fonts found{FontLibrary::create(), {}};
    if (found.library) found.japaneseFaces = found.library->japaneseFaces();
    return found;
  });

  // So is the script compiled, and the pictures of its first frame read: decoding them takes as long
  // as starting the video system.
  services.script = locateScript(commandLine.arguments, paths::moduleDirectory());
  std::future<ScriptAhead> ahead;
  if (services.script.path)
    ahead = std::async(aside, compileAhead, *services.script.path, paths::moduleDirectory());

  services.moduleDirectory = paths::moduleDirectoryNative();
  settings.helpPath = (services.moduleDirectory / "help" / "index.html").string();
  settings.supportUrl = "file://" + settings.helpPath + "#support";
  DeviceOptions deviceOptions;
  deviceOptions.headless = headless;
  deviceOptions.fullscreen = settings.fullscreen;
  deviceOptions.titleUtf8 = kAppTitle;
  // The window is made at the size the player last chose, so that it does not change after the first
  // frame; a headless run has none.
  services.playerSettings = readPlayerSettings(playerSettingsFile());
  if (!headless) {
    deviceOptions.topMargin = MenuBar::kHeight;
    deviceOptions.showWithFirstFrame = true;
    deviceOptions.scale = windowScaleFactor(services.playerSettings.windowScale);
    deviceOptions.smooth = services.playerSettings.smoothScaling;
  }
  std::string deviceError;
  std::unique_ptr<GraphicsDevice> device = GraphicsDevice::create(deviceOptions, &deviceError);
  if (!device) {
    reportNoDevice(headless, deviceError, fonts);
    return std::nullopt;
  }
  services.frame = std::make_unique<AppFrame>(std::move(settings), std::move(device));
  AppFrame& frame = *services.frame;

  // The font menu lists the Japanese faces; the saved one is selected, else the first.
  Fonts found = fonts.get();
  services.fonts = std::move(found.library);
  services.fontChoice = FontChoice(std::move(found.japaneseFaces), settingsFile(services.moduleDirectory));
  // The player's own interface, in its Japanese font: the boxes, and in a window the menu bar (with the
  // menus as they stand before a game is loaded).
  if (services.fonts) {
    const ThemeFile theme =
        services.script.native ? readTheme(services.script.native->parent_path()) : ThemeFile{};
    for (const ThemeProblem& problem : theme.problems)
      std::fprintf(stderr, "tavrik: warning: %s:%d: %s\n", kThemeFileName, problem.line,
                   terminalText(problem.text).c_str());
    int faceIndex = 0;
    const std::string fontFile =
        theme.theme.face.empty() ? services.fonts->defaultFaceFile(faceIndex)
                                 : services.fonts->faceFile(utf8ToSjisLenient(theme.theme.face), faceIndex);
    frame.setOverlay(Overlay::create(frame.graphics(), fontFile, faceIndex));
    if (frame.overlay()) useTheme(*frame.overlay(), theme.theme, services.script.native);
  }
  if (DisplayWindow* window = frame.graphics().window(); window && frame.overlay()) {
    const auto plain = [](int id) { return id != kCommandDebugView; };
    const auto menus = buildMenus(
        plain, [](int) { return false; }, services.fontChoice.menuItems(kCommandFontBase));
    frame.setMenuBar(std::make_unique<MenuBar>(*window, *frame.overlay(), menus));
  }

  if (!eventsProblem.empty()) {
    reportStartupProblem(frame, automation, ja(MessageId::StartupErrorCaption), eventsProblem);
    return std::nullopt;
  }
  if (!services.script.path) {
    reportStartupProblem(frame, automation, ja(MessageId::StartupErrorCaption), services.script.error);
    return std::nullopt;
  }
  ScriptAhead scriptAhead = ahead.get();
  CompileResult& compiled = scriptAhead.compiled;
  if (compiled.error) {
    reportStartupProblem(frame, automation, ja(MessageId::ScriptErrorCaption),
                         scriptErrorText(*compiled.error));
    return std::nullopt;
  }
  services.program = std::move(compiled.program);
  services.readyPictures = std::move(scriptAhead.pictures);
  const ScriptLocation& script = services.script;
  services.savesFolder =
      automation.saves
          ? *automation.saves
          : SaveStore::defaultRoot() / SaveStore::gameFolderName(script.native.value_or(*script.path));
  services.authoringOffered = automation.debug || !inFolder(services.moduleDirectory, script.native);
  *exitCode = 0;
  return services;
}

int checkScript(const CommandLine& commandLine) {
  const ScriptLocation script = locateScript(commandLine.arguments, paths::moduleDirectory());
  if (!script.path) {
    printBox(ja(MessageId::StartupErrorCaption), script.error);
    return 1;
  }
  const CompileResult compiled = compileScript(*script.path);
  if (compiled.error) {
    printBox(ja(MessageId::ScriptErrorCaption), scriptErrorText(*compiled.error));
    return 1;
  }
  return 0;
}

int runLint(const CommandLine& commandLine) {
  std::string path;
  if (commandLine.arguments.size() < 2) {
    const ScriptLocation script = locateScript(commandLine.arguments, paths::moduleDirectory());
    if (!script.path) {
      printBox(ja(MessageId::StartupErrorCaption), script.error);
      return 1;
    }
    path = *script.path;
  } else {
    // The lint tells of a script that is missing or no file itself.
    const std::string& argument = commandLine.arguments[1];
    path = paths::fromNative(argument).value_or(argument);
  }
  const std::vector<LintFinding> findings = lintScript(path, LintOptions{paths::moduleDirectory()});
  if (commandLine.automation.lintJson)
    std::fputs(lintJson(findings).c_str(), stdout);
  else
    writeTerminalText(stdout, lintText(findings));
  return hasErrors(findings) ? 1 : 0;
}

}  // namespace tavrik
