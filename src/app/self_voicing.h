// Reading the game aloud, for a player who cannot see it well. A game draws its text as pictures, so
// no screen reader can see it: the player says it instead. Each text as it starts to show (a name
// plate, then the line), the choices when a choice wait begins ("選択肢 1／2：丘へ"), the button the
// keyboard or a controller moves to, the item the player's screens and boxes have the focus on, and the
// player's notices. Skipping stops the voice; auto mode waits for it. Beside it, or instead, each text
// can go to the clipboard for a screen reader of the player's own.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "app/command_bindings.h"
#include "app/player_commands.h"
#include "platform/speech.h"

namespace tavrik {

class ScriptEngine;
class SimpleLayer;

// The voice a player reads with: a window's is the desktop's speech service or espeak-ng (nothing, with
// the reason on standard error, when neither can be had); a headless run's records what it is given.
std::unique_ptr<Speech> openVoice(bool window);

class SelfVoicing {
 public:
  struct Hooks {
    // Makes the voice when reading is first switched on (nothing when there is none to be had).
    std::function<std::unique_ptr<Speech>()> openVoice;
    // Puts UTF-8 text on the desktop's clipboard.
    std::function<void(const std::string&)> toClipboard;
    // Shows a word of the player's on the screen, which then comes back to sayNow; without it the word
    // is only said.
    std::function<void(const std::string&)> notice;
  };
  explicit SelfVoicing(Hooks hooks) : hooks_(std::move(hooks)) {}

  bool reading() const { return reading_; }
  // Switches reading aloud, which says so ("読み上げ：オン" before it starts, "オフ" as it ends).
  void setReading(bool on);
  // Reading and the clipboard as the player's settings left them.
  void takeSettings(bool reading, bool copying) {
    if (reading) setReading(true);
    copying_ = copying;
  }
  bool copying() const { return copying_; }
  void setCopying(bool on) { copying_ = on; }

  // After a frame's updates: the texts shown since, the choice that began, the button focused.
  void afterUpdate(ScriptEngine& engine, bool skipping);
  // The game was loaded or made anew: what it shows is said afresh, from the text said last.
  void restart(ScriptEngine& engine);
  // The item the player's screen or box has the focus on, or a notice: said at once, instead of what
  // was being said.
  void sayNow(const std::string& utf8);
  // Something is still being said.
  bool speaking() const { return voice_ && voice_->speaking(); }
  // The voice, once reading has been switched on (tests read what a recording voice was given).
  Speech* voice() { return voice_.get(); }
  // Binds reading aloud and the clipboard's text to their commands; changed follows a switch.
  void bindCommands(CommandBindings& bindings, const std::function<void()>& changed);

 private:
  void say(const std::string& utf8, bool interrupt);
  void announce(const std::string& utf8);
  void sayText(const std::string& sjis, bool& first);

  Hooks hooks_;
  std::unique_ptr<Speech> voice_;
  bool reading_ = false;
  bool copying_ = false;
  std::uint64_t texts_ = 0;  // the history's count of texts already said
  bool choiceSaid_ = false;
  bool sayCurrent_ = false;  // reading was just switched on: the text standing is said too             // the
                             // choice wait under way has been announced
  const SimpleLayer* focus_ = nullptr;  // the choice button last said as focused
};

}  // namespace tavrik
