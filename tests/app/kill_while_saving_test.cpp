// A player killed at any moment while it saves: a child process saves the settings and registers the
// association over and over, with two contents in turn, and is killed at random moments. Every file
// must then hold the one content or the other, whole; the next start must leave no temporary file
// behind; and a link planted where a temporary file might be must never be written through.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <random>
#include <thread>

#include "app/file_association.h"
#include "app/settings.h"
#include "base/files.h"
#include "support/test_support.h"

namespace tavrik {
namespace {

namespace fs = std::filesystem;

using test::readBytes;

int temporaryFilesIn(const fs::path& folder) {
  int n = 0;
  for (const auto& e : fs::directory_iterator(folder))
    if (e.path().filename().string().find(".tmp") != std::string::npos) ++n;
  return n;
}

TEST(KillWhileSaving, EveryFileIsOldOrNewAndTheNextStartLeavesNoTemporaryFile) {
  test::TempDir dir;
  const fs::path ini = dir.path() / "config" / "tavrik" / "tavrik.ini";
  const fs::path data = dir.path() / "data";
  const fs::path desktop = data / "applications" / "tavrik.desktop";
  const fs::path mime = data / "mime" / "packages" / "tavrik.xml";
  const fs::path secret = dir.write("secret", "keep");
  const Association first{"/opt/first/tavrik", "/opt/first/game.png", "first"};
  const Association second{"/opt/second/tavrik", "/opt/second/game.png", "second"};

  // The two contents each file may hold, as whole saves make them.
  std::vector<std::string> inis, desktops, mimes;
  for (const auto& [face, a] : {std::pair{"first", first}, std::pair{"second", second}}) {
    ASSERT_TRUE(writeFontSetting(ini, face));
    ASSERT_TRUE(registerAssociation(data, a));
    inis.push_back(readBytes(ini));
    desktops.push_back(readBytes(desktop));
    mimes.push_back(readBytes(mime));
  }
  auto oneOf = [](const std::vector<std::string>& allowed, const std::string& actual) {
    return actual == allowed[0] || actual == allowed[1];
  };

  std::mt19937 random(20260101);
  const auto start = std::chrono::steady_clock::now();
  int rounds = 0;
  for (; rounds < 200 && std::chrono::steady_clock::now() - start < std::chrono::seconds(15); ++rounds) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      // The desktop's database tools are not run from here: nothing on the PATH.
      ::setenv("PATH", "/nonexistent", 1);
      for (unsigned i = 0;; ++i) {
        writeFontSetting(ini, i % 2 ? "second" : "first");
        registerAssociation(data, i % 2 ? second : first);
      }
    }
    // Links where a careless writer would put its temporary file: the old predictable name, and the
    // start of this writer's names.
    for (const fs::path& target : {ini, desktop, mime}) {
      for (const std::string& suffix :
           {".tmp" + std::to_string(child), ".tmp-" + std::to_string(child) + "-XXXXXX"}) {
        std::error_code ec;
        fs::create_symlink(secret, fs::path(target) += suffix, ec);
      }
    }
    std::this_thread::sleep_for(std::chrono::microseconds(random() % 3000));
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);

    ASSERT_TRUE(oneOf(inis, readBytes(ini))) << "round " << rounds << ": " << readBytes(ini);
    ASSERT_TRUE(oneOf(desktops, readBytes(desktop))) << "round " << rounds;
    ASSERT_TRUE(oneOf(mimes, readBytes(mime))) << "round " << rounds;
    ASSERT_EQ(readBytes(secret), "keep") << "round " << rounds;

    // The next start: the settings' folder is tidied, the association is written (and its folders tidied).
    removeStaleTemporaryFiles(ini);
    ASSERT_TRUE(registerAssociation(data, rounds % 2 ? first : second));
    ASSERT_EQ(temporaryFilesIn(ini.parent_path()), 0) << "round " << rounds;
    ASSERT_EQ(temporaryFilesIn(desktop.parent_path()), 0) << "round " << rounds;
    ASSERT_EQ(temporaryFilesIn(mime.parent_path()), 0) << "round " << rounds;
    ASSERT_EQ(readBytes(secret), "keep") << "round " << rounds;
  }
  EXPECT_GE(rounds, 50) << "too few rounds in the time allowed";
}

}  // namespace
}  // namespace tavrik
