// The command table against what players and authors read of it: the manual and the manual page must
// name every key, menu item and events-file name the table gives, and no key may run two commands.
#include "app/player_commands.h"

#include <gtest/gtest.h>

#include "support/test_support.h"

namespace tavrik {
namespace {

std::string section(const std::string& text, const std::string& from, const std::string& to) {
  const std::size_t start = text.find(from);
  if (start == std::string::npos) return {};
  return text.substr(start, text.find(to, start + from.size()) - start);
}

TEST(PlayerCommands, TheManualAndTheManualPageTellEveryCommandAsTheTableHasIt) {
  const std::string manual = test::readBytes(TAVRIK_SOURCE_DIR "/assets/help/index.html");
  const std::string page = test::readBytes(TAVRIK_SOURCE_DIR "/packaging/tavrik.6.in");
  const std::string keys = section(manual, "<h2 id=\"play\">", "</table>");
  const std::string menus = section(manual, "<h2 id=\"menus\">", "</table>");
  const std::string names = section(manual, "<table id=\"commands\">", "</table>");
  const std::string pageKeys = section(page, ".SH KEYS", ".SH FILES");
  const std::string controller = section(manual, "<table id=\"controller\">", "</table>");
  ASSERT_FALSE(keys.empty() || menus.empty() || names.empty() || pageKeys.empty() || controller.empty());
  for (const PlayerCommand& command : playerCommands()) {
    const std::string key(command.keyName), word(command.word);
    if (!key.empty()) {
      EXPECT_NE(keys.find(key), std::string::npos) << key << " is missing from the manual's keys";
      EXPECT_NE(pageKeys.find(key), std::string::npos) << key << " is missing from the manual page's KEYS";
    }
    EXPECT_NE(names.find("<tr><td><code>" + word + "</code></td><td>" + std::to_string(command.id) +
                         "</td><td>" + key + "</td>"),
              std::string::npos)
        << word << " is not in the manual's table of commands as the table has it";
    if (command.pad != PadButton::None) {
      EXPECT_NE(controller.find("<code>" + word + "</code>"), std::string::npos)
          << word << " is missing from the manual's controller buttons";
    }
    if (command.menu == MenuId::None) continue;
    const std::string item = displayLabel(std::string(command.label)) + (command.keyInMenu ? " " + key : "");
    EXPECT_NE(menus.find(item), std::string::npos) << item << " is missing from the manual's menus";
  }
}

TEST(PlayerCommands, EachKeyRunsOneCommand) {
  const auto commands = playerCommands();
  for (std::size_t i = 0; i < commands.size(); ++i) {
    for (const KeyChord& chord : commands[i].keys) {
      if (chord.key == Key::Unknown) continue;
      EXPECT_EQ(commandForKey(chord.key, chord.modifiers), &commands[i]) << commands[i].word;
    }
  }
  EXPECT_EQ(commandForKey(Key::F1, kShift)->id, kCommandVersion);
  EXPECT_EQ(commandForKey(Key::F2, kCtrl | kAlt)->id, kCommandSave)
      << "held modifiers a key does not ask for";
  EXPECT_EQ(commandForKey(Key::R, kNoModifier), nullptr) << "R alone goes to the game";
  EXPECT_EQ(commandForKey(Key::Return, kNoModifier), nullptr) << "Return alone goes on";
}

}  // namespace
}  // namespace tavrik
