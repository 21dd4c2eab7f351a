// Registers the player with the desktop as the program that opens ".tvk" scripts: a shared-mime-info
// package for the file type and a desktop entry that runs the player with the script, both under
// $XDG_DATA_HOME (~/.local/share when unset), written at every start.
#pragma once

#include <filesystem>
#include <string>

namespace tavrik {

struct Association {
  std::filesystem::path executable;  // the player, module directory + "tavrik"
  std::filesystem::path icon;        // a picture for the desktop
  std::string description;           // UTF-8
};

// Where the desktop looks for per-user files.
std::filesystem::path dataHome();

// Writes the two files (atomically, over what was there) and, when their content changed, asks the
// desktop's databases to read them again, without waiting. False when a file could not be written. A
// place that holds something other than a regular file is left alone, and paths with control
// characters or bytes that are not UTF-8 are not registered at all; both are said on standard error.
bool registerAssociation(const std::filesystem::path& dataHome, const Association& association);

// Whether the player in moduleDirectory (PREFIX/lib/tavrik) was installed with the desktop entry and
// the file type beside it (PREFIX/share/applications/tavrik.desktop, PREFIX/share/mime/packages/
// tavrik.xml), as the package and an install to a prefix put them, in one of the folders the desktop
// reads ($XDG_DATA_DIRS, by default /usr/local/share and /usr/share).
bool installedWithDesktopFiles(const std::filesystem::path& moduleDirectory);

// Registers the player in moduleDirectory for the user, unless it was installed with its desktop files
// (then it is registered for every user already). The result is of no interest: a desktop without the
// association still plays.
void registerForUser(const std::filesystem::path& moduleDirectory);

}  // namespace tavrik
