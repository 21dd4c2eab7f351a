// The tests' entry: the home directory and the XDG folders point into a temporary folder for the whole
// run, so that nothing a test does (settings, the desktop association) reaches the real ones.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

int main(int argc, char** argv) {
  std::string pattern = (std::filesystem::temp_directory_path() / "tavrik-home-XXXXXX").string();
  const char* home = ::mkdtemp(pattern.data());
  if (!home) return 2;
  const std::filesystem::path root = home;
  setenv("HOME", root.c_str(), 1);
  setenv("XDG_CONFIG_HOME", (root / ".config").c_str(), 1);
  setenv("XDG_DATA_HOME", (root / ".local/share").c_str(), 1);
  setenv("XDG_CACHE_HOME", (root / ".cache").c_str(), 1);
  ::testing::InitGoogleTest(&argc, argv);
  const int result = RUN_ALL_TESTS();
  std::error_code ec;
  std::filesystem::remove_all(root, ec);
  return result;
}
