#include "app/file_association.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <iterator>

#include "support/test_support.h"

namespace tavrik {
namespace {

std::string readText(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

TEST(FileAssociation, WritesTheTypeAndTheDesktopEntryAndEveryStartMendsThem) {
  test::TempDir home;
  const Association first{"/opt/one/tavrik", "/opt/one/game.png", "Tavrikアドベンチャースクリプト"};
  ASSERT_TRUE(registerAssociation(home.path(), first));
  const auto desktop = home.path() / "applications" / "tavrik.desktop";
  const auto mime = home.path() / "mime" / "packages" / "tavrik.xml";
  const std::string entry = readText(desktop);
  EXPECT_NE(entry.find("Exec=\"/opt/one/tavrik\" %f\n"), std::string::npos) << entry;
  EXPECT_NE(entry.find("MimeType=application/x-tavrik-script;\n"), std::string::npos);
  EXPECT_NE(entry.find("Icon=/opt/one/game.png\n"), std::string::npos);
  EXPECT_NE(entry.find("Comment=Tavrikアドベンチャースクリプト\n"), std::string::npos);
  const std::string type = readText(mime);
  EXPECT_NE(type.find("<glob pattern=\"*.tvk\"/>"), std::string::npos);
  EXPECT_NE(type.find("type=\"application/x-tavrik-script\""), std::string::npos);

  // A start that finds the association as it was leaves the files alone.
  const auto old = std::filesystem::last_write_time(desktop) - std::chrono::hours(1);
  std::filesystem::last_write_time(desktop, old);
  std::filesystem::last_write_time(mime, old);
  ASSERT_TRUE(registerAssociation(home.path(), first));
  EXPECT_EQ(std::filesystem::last_write_time(desktop), old);
  EXPECT_EQ(std::filesystem::last_write_time(mime), old);

  // A damaged entry is repaired at the next start; another copy takes the association over.
  std::ofstream(desktop) << "broken";
  ASSERT_TRUE(registerAssociation(home.path(), first));
  EXPECT_EQ(readText(desktop), entry);
  ASSERT_TRUE(registerAssociation(home.path(), {"/home/me/My Games/tavrik", "/x.png", "d"}));
  EXPECT_NE(readText(desktop).find("Exec=\"/home/me/My Games/tavrik\" %f\n"), std::string::npos);
}

TEST(FileAssociation, FailuresAreReportedOnlyAsAResult) {
  test::TempDir home;
  home.write("applications", "a file where a folder should be");
  EXPECT_FALSE(registerAssociation(home.path(), {"/t", "/i", "d"}));
}

TEST(FileAssociation, TheDataHomeFollowsXdg) {
  EXPECT_EQ(dataHome(), std::filesystem::path(std::getenv("XDG_DATA_HOME")));
}

}  // namespace
}  // namespace tavrik
