#include "support/app_support.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <optional>

namespace tavrik::test {

CommandLine headlessCommandLine(const std::filesystem::path& script, long long frames,
                                const std::vector<std::string>& arguments) {
  const std::string scriptArgument = script.string();
  std::vector<const char*> argv = {"tavrik", scriptArgument.c_str(), "-nce"};
  for (const std::string& a : arguments) argv.push_back(a.c_str());
  std::string error;
  std::optional<CommandLine> commandLine =
      parseCommandLine(static_cast<int>(argv.size()), argv.data(), &error);
  EXPECT_TRUE(commandLine.has_value()) << error;
  CommandLine out = commandLine.value_or(CommandLine{{}, {"tavrik", scriptArgument, "-nce"}});
  out.automation.headless = true;
  out.automation.frames = frames;
  return out;
}

std::unique_ptr<GameApp> startHeadless(const CommandLine& commandLine) {
  int exitCode = -1;
  std::unique_ptr<GameApp> app = GameApp::start(commandLine, &exitCode);
  EXPECT_EQ(exitCode, 0) << "the player did not start";
  return app;
}

PlayerCopy::PlayerCopy() {
  std::string pattern = (std::filesystem::temp_directory_path() / "tavrik-player-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) ADD_FAILURE() << "cannot create a temporary directory";
  root_ = pattern;
  namespace fs = std::filesystem;
  fs::create_directories(binDir());
  fs::copy_file(TAVRIK_EXECUTABLE, executable());
  fs::copy(TAVRIK_ASSETS_DIR, binDir(), fs::copy_options::recursive);
  fs::create_directories(root_ / "home");
}

PlayerCopy::~PlayerCopy() {
  std::error_code ec;
  std::filesystem::remove_all(root_, ec);
}

ProcessResult PlayerCopy::run(const std::vector<std::string>& arguments,
                              const std::vector<std::string>& extraEnv, const SignalWhen& signalWhen) const {
  std::vector<std::string> env = {
      "HOME=" + (root_ / "home").string(),
      "XDG_CONFIG_HOME=" + (root_ / "home/.config").string(),
      "XDG_DATA_HOME=" + (root_ / "home/.local/share").string(),
      "XDG_CACHE_HOME=" + (root_ / "home/.cache").string(),
      "XDG_RUNTIME_DIR=" + (root_ / "home").string(),
  };
  env.insert(env.end(), extraEnv.begin(), extraEnv.end());
  return runProcess(executable(), arguments, root_, env, 60, signalWhen);
}

}  // namespace tavrik::test
