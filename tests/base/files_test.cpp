#include "base/files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <iterator>

#include "support/test_support.h"

namespace tavrik {
namespace {

namespace fs = std::filesystem;

using test::readBytes;

// A process id that no process has: a child's, after it has been waited for.
pid_t deadPid() {
  const pid_t child = ::fork();
  if (child == 0) ::_exit(0);
  ::waitpid(child, nullptr, 0);
  return child;
}

TEST(Files, OnlyRegularFilesWithinTheLimitAreReadAndNothingBlocks) {
  test::TempDir dir;
  const auto file = dir.write("a.txt", "hello");
  const auto fifo = dir.path() / "fifo";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const auto link = dir.path() / "link";
  fs::create_symlink(file, link);

  ReadStatus status = ReadStatus::Failed;
  EXPECT_EQ(readRegularFile(file, 5, true, &status), "hello");
  EXPECT_EQ(status, ReadStatus::Ok);
  const auto start = std::chrono::steady_clock::now();
  const std::pair<fs::path, ReadStatus> refused[] = {
      {dir.path(), ReadStatus::NotRegular},       {fifo, ReadStatus::NotRegular},
      {"/dev/zero", ReadStatus::NotRegular},      {link, ReadStatus::NotRegular},
      {dir.path() / "none", ReadStatus::Missing}, {file / "below", ReadStatus::Missing}};
  for (const auto& [path, why] : refused) {
    EXPECT_FALSE(readRegularFile(path, 1024, true, &status).has_value()) << path;
    EXPECT_EQ(status, why) << path;
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2))
      << "nothing waited on the pipe";
  EXPECT_EQ(readRegularFile(link, 5, false, &status), "hello") << "followed when asked to";
  EXPECT_FALSE(readRegularFile(file, 4, false, &status).has_value());
  EXPECT_EQ(status, ReadStatus::TooLarge);
  // A huge file, declared by its size and never written.
  const auto huge = dir.write("huge", "");
  fs::resize_file(huge, kMaxReadFileSize + 1);
  EXPECT_FALSE(readFile(huge).has_value());
}

TEST(Files, TheAtomicWriteNeverWritesThroughALink) {
  test::TempDir dir;
  const auto secret = dir.write("secret", "keep");
  const auto target = dir.path() / "tavrik.ini";
  // Links where a predictable temporary name would be, and where this writer's would start.
  fs::create_symlink(secret, dir.path() / ("tavrik.ini.tmp" + std::to_string(::getpid())));
  fs::create_symlink(secret, dir.path() / ("tavrik.ini.tmp-" + std::to_string(::getpid()) + "-XXXXXX"));
  ASSERT_TRUE(writeFileAtomically(target, "new"));
  EXPECT_EQ(readBytes(target), "new");
  EXPECT_EQ(readBytes(secret), "keep");
  struct stat info {};
  ASSERT_EQ(::stat(target.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0022, 0u) << "no more open than the umask allows";

  // A link at the target itself is replaced by the file; what it pointed to is untouched.
  const auto linked = dir.path() / "linked.ini";
  fs::create_symlink(secret, linked);
  ASSERT_TRUE(writeFileAtomically(linked, "mine"));
  EXPECT_FALSE(fs::is_symlink(linked));
  EXPECT_EQ(readBytes(secret), "keep");
  EXPECT_FALSE(writeFileAtomically(dir.path() / "no" / "folder", "x"));
}

TEST(Files, OnlyTemporaryFilesOfDeadWritersAreRemoved) {
  test::TempDir dir;
  const auto target = dir.write("tavrik.ini", "Font=x\r\n");
  const auto secret = dir.write("secret", "keep");
  const std::string dead = "tavrik.ini.tmp-" + std::to_string(deadPid()) + "-";
  const std::string alive = "tavrik.ini.tmp-" + std::to_string(::getppid()) + "-";
  dir.write(dead + "a1B2c3", "half");
  const std::string earlier = "tavrik.ini.tmp" + std::to_string(deadPid());
  dir.write(earlier, "left by an earlier version");
  fs::create_symlink(secret, dir.path() / (dead + "linkXX"));
  fs::create_directory(dir.path() / (dead + "folder"));
  dir.write(alive + "a1B2c3", "being written");
  dir.write("tavrik.ini.tmp-notapid-a1B2c3", "someone else's");
  dir.write("other.ini.tmp-" + std::to_string(deadPid()) + "-a1B2c3", "another file's");

  dir.write(dead + "a1B2c3d", "not a name the writer makes");
  EXPECT_EQ(removeStaleTemporaryFiles(target), 3);
  EXPECT_FALSE(fs::exists(dir.path() / earlier));
  EXPECT_TRUE(fs::exists(dir.path() / (dead + "a1B2c3d")));
  EXPECT_FALSE(fs::exists(dir.path() / (dead + "a1B2c3")));
  EXPECT_FALSE(fs::is_symlink(dir.path() / (dead + "linkXX")));
  EXPECT_EQ(readBytes(secret), "keep");
  EXPECT_TRUE(fs::is_directory(dir.path() / (dead + "folder")));
  EXPECT_TRUE(fs::exists(dir.path() / (alive + "a1B2c3")));
  EXPECT_TRUE(fs::exists(dir.path() / "tavrik.ini.tmp-notapid-a1B2c3"));
  EXPECT_EQ(readBytes(target), "Font=x\r\n");
  EXPECT_EQ(removeStaleTemporaryFiles(dir.path() / "missing" / "tavrik.ini"), 0);
}

}  // namespace
}  // namespace tavrik
