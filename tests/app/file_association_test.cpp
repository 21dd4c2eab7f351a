#include "app/file_association.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <fstream>

#include "support/test_support.h"

namespace tavrik {
namespace {

TEST(FileAssociation, WritesTheTypeAndTheDesktopEntryAndEveryStartMendsThem) {
  test::TempDir home;
  const Association first{"/opt/one/tavrik", "/opt/one/game.png", "Tavrikアドベンチャースクリプト"};
  ASSERT_TRUE(registerAssociation(home.path(), first));
  const auto desktop = home.path() / "applications" / "tavrik.desktop";
  const auto mime = home.path() / "mime" / "packages" / "tavrik.xml";
  const std::string entry = test::readBytes(desktop);
  EXPECT_NE(entry.find("Exec=\"/opt/one/tavrik\" %f\n"), std::string::npos) << entry;
  EXPECT_NE(entry.find("MimeType=application/x-tavrik-script;\n"), std::string::npos);
  EXPECT_NE(entry.find("Icon=/opt/one/game.png\n"), std::string::npos);
  EXPECT_NE(entry.find("Comment=Tavrikアドベンチャースクリプト\n"), std::string::npos);
  const std::string type = test::readBytes(mime);
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
  EXPECT_EQ(test::readBytes(desktop), entry);
  ASSERT_TRUE(registerAssociation(home.path(), {"/home/me/My Games/tavrik", "/x.png", "d"}));
  EXPECT_NE(test::readBytes(desktop).find("Exec=\"/home/me/My Games/tavrik\" %f\n"), std::string::npos);
}

TEST(FileAssociation, FailuresAreReportedOnlyAsAResult) {
  test::TempDir home;
  home.write("applications", "a file where a folder should be");
  EXPECT_FALSE(registerAssociation(home.path(), {"/t", "/i", "d"}));
}

TEST(FileAssociation, PathsAreQuotedForTheEntryAndControlCharactersRefuseIt) {
  test::TempDir home;
  const auto desktop = home.path() / "applications" / "tavrik.desktop";
  ASSERT_TRUE(registerAssociation(home.path(), {"/g/a\"b`c$d\\e%f/tavrik", "/g/x\\y.png", "d"}));
  const std::string entry = test::readBytes(desktop);
  // Quoted as an argument ("\\" before " ` $ \\, % doubled), then each backslash written twice.
  EXPECT_NE(entry.find("Exec=\"/g/a\\\\\"b\\\\`c\\\\$d\\\\\\\\e%%f/tavrik\" %f\n"), std::string::npos)
      << entry;
  EXPECT_NE(entry.find("Icon=/g/x\\\\y.png\n"), std::string::npos) << entry;

  // A line break would make a key of its own: nothing is written, and standard error says why.
  for (const char* bad : {"/g/x\nExec=/bin/evil/tavrik", "/g/\x1b[2J/tavrik", "/g/\xff/tavrik"}) {
    testing::internal::CaptureStderr();
    EXPECT_FALSE(registerAssociation(home.path(), {bad, "/i.png", "d"}));
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("the desktop registration is skipped"), std::string::npos) << said;
    EXPECT_EQ(said.find('\x1b'), std::string::npos) << "the path is shown escaped";
  }
  EXPECT_EQ(test::readBytes(desktop), entry);
}

TEST(FileAssociation, WhatIsNotARegularFileIsLeftAloneWithAWord) {
  test::TempDir home;
  test::TempDir elsewhere;
  const auto secret = elsewhere.write("secret", "keep");
  const auto desktop = home.path() / "applications" / "tavrik.desktop";
  const auto mime = home.path() / "mime" / "packages" / "tavrik.xml";
  std::filesystem::create_directories(desktop.parent_path());
  std::filesystem::create_directories(mime.parent_path());
  const Association a{"/opt/t/tavrik", "/opt/t/game.png", "d"};

  // Each kind of thing in each place: a folder, a link, a pipe (which must not hang the start).
  const auto start = std::chrono::steady_clock::now();
  for (const auto& place : {desktop, mime}) {
    std::filesystem::remove(place);  // written when the other place was in the way
    std::filesystem::create_directory(place);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(registerAssociation(home.path(), a));
    EXPECT_NE(testing::internal::GetCapturedStderr().find("is not a regular file"), std::string::npos);
    EXPECT_TRUE(std::filesystem::is_directory(place));
    std::filesystem::remove(place);

    std::filesystem::create_symlink(secret, place);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(registerAssociation(home.path(), a));
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(test::readBytes(secret), "keep");
    EXPECT_TRUE(std::filesystem::is_symlink(place));
    std::filesystem::remove(place);

    ASSERT_EQ(::mkfifo(place.c_str(), 0600), 0);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(registerAssociation(home.path(), a));
    testing::internal::GetCapturedStderr();
    std::filesystem::remove(place);
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  // An oversized file (declared, never written) is no reason to stop: it is replaced.
  std::ofstream(desktop) << "x";
  std::filesystem::resize_file(desktop, 64u * 1024 * 1024);
  EXPECT_TRUE(registerAssociation(home.path(), a));
  EXPECT_LT(std::filesystem::file_size(desktop), 1024u);
}

TEST(FileAssociation, APlayerInstalledWithItsDesktopFilesWhereTheDesktopLooksRegistersNothing) {
  test::TempDir dir;
  const std::filesystem::path prefix = dir.path() / "usr";
  std::filesystem::create_directories(prefix / "lib" / "tavrik");
  dir.write("usr/share/applications/tavrik.desktop", "[Desktop Entry]\n");
  const char* saved = std::getenv("XDG_DATA_DIRS");
  const std::string before = saved ? saved : "";
  ::setenv("XDG_DATA_DIRS", ("/nowhere:" + (prefix / "share").string() + "/").c_str(), 1);
  EXPECT_FALSE(installedWithDesktopFiles(prefix / "lib" / "tavrik")) << "no file type yet";
  dir.write("usr/share/mime/packages/tavrik.xml", "<mime-info/>\n");
  EXPECT_TRUE(installedWithDesktopFiles(prefix / "lib" / "tavrik"));
  EXPECT_FALSE(installedWithDesktopFiles(prefix / "bin")) << "a build folder is no installed place";
  ::setenv("XDG_DATA_DIRS", "/usr/local/share:/usr/share", 1);
  EXPECT_FALSE(installedWithDesktopFiles(prefix / "lib" / "tavrik")) << "a prefix the desktop does not read";
  if (saved)
    ::setenv("XDG_DATA_DIRS", before.c_str(), 1);
  else
    ::unsetenv("XDG_DATA_DIRS");
}

TEST(FileAssociation, TheDataHomeFollowsXdg) {
  EXPECT_EQ(dataHome(), std::filesystem::path(std::getenv("XDG_DATA_HOME")));
}

}  // namespace
}  // namespace tavrik
