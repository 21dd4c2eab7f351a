#include "app/self_voicing.h"

#include <cstdio>
#include <utility>

#include "base/messages.h"
#include "base/text_encoding.h"
#include "script/runtime/choice_captions.h"
#include "script/runtime/script_engine.h"

namespace tavrik {

namespace {

// A jump of more texts than this in one frame is a load, not a play: none of them is said.
constexpr std::uint64_t kMostTextsAFrame = 16;

std::string spoken(const std::string& sjis) {
  std::string utf8 = sjisToUtf8(sjis);
  for (char& c : utf8)
    if (c == '\n' || c == '\r') c = ' ';
  return utf8;
}

}  // namespace

std::unique_ptr<Speech> openVoice(bool window) {
  if (!window) return std::make_unique<RecordingSpeech>();
  std::string why;
  std::unique_ptr<Speech> voice = openSpeech(&why);
  if (!voice) std::fprintf(stderr, "tavrik: %s\n", ja(MessageId::SpeechNoVoice, {why}).c_str());
  return voice;
}

void SelfVoicing::setReading(bool on) {
  if (on && !voice_ && hooks_.openVoice) voice_ = hooks_.openVoice();
  // Switched off, the voice still says so.
  if (on) reading_ = true;
  sayCurrent_ = on;
  announce(ja(on ? MessageId::SpeechOn : MessageId::SpeechOff));
  reading_ = on;
}

void SelfVoicing::announce(const std::string& utf8) {
  if (hooks_.notice)
    hooks_.notice(utf8);
  else
    say(utf8, true);
}

void SelfVoicing::bindCommands(CommandBindings& bindings, const std::function<void()>& changed) {
  bindings.bind(kCommandSpeech, {[this, changed] {
                                   setReading(!reading_);
                                   changed();
                                 },
                                 [this] { return reading_; }});
  bindings.bind(kCommandClipboardText,
                {[this, changed] {
                   copying_ = !copying_;
                   announce(ja(copying_ ? MessageId::ClipboardTextOn : MessageId::ClipboardTextOff));
                   changed();
                 },
                 [this] { return copying_; }});
}

void SelfVoicing::say(const std::string& utf8, bool interrupt) {
  if (reading_ && voice_ && !utf8.empty()) voice_->say(Utterance{utf8, "ja", interrupt});
}

void SelfVoicing::sayNow(const std::string& utf8) {
  say(utf8, true);
}

void SelfVoicing::sayText(const std::string& sjis, bool& first) {
  const std::string text = spoken(sjis);
  if (text.empty()) return;
  // The first text of a frame stops what was being said; the rest of the frame's follow it.
  say(text, first);
  first = false;
  if (copying_ && hooks_.toClipboard) hooks_.toClipboard(text);
}

void SelfVoicing::restart(ScriptEngine& engine) {
  texts_ = engine.history().added();
  choiceSaid_ = false;
  focus_ = nullptr;
  bool first = true;
  if (const HistoryEntry* said = engine.history().lastSaid()) sayText(said->text(), first);
}

void SelfVoicing::afterUpdate(ScriptEngine& engine, bool skipping) {
  const History& history = engine.history();
  const std::uint64_t added = history.added();
  if (added < texts_ || added - texts_ > kMostTextsAFrame || skipping) {
    // Stepped back, loaded, or skipping: nothing of it is read, and what was being said stops.
    if (skipping && voice_ && reading_ && added != texts_) voice_->stop();
    texts_ = added;
  }
  if (!reading_ && !copying_) {
    texts_ = added;
    return;
  }
  bool first = true;
  const auto& entries = history.entries();
  const std::uint64_t fresh = std::min<std::uint64_t>(added - texts_, entries.size());
  // Switched on while a text stands, that text is said after the word that reading is on.
  if (std::exchange(sayCurrent_, false) && fresh == 0 && reading_) {
    if (const HistoryEntry* said = history.lastSaid()) {
      first = false;
      sayText(said->text(), first);
    }
  }
  for (std::size_t i = entries.size() - static_cast<std::size_t>(fresh); i < entries.size(); ++i) {
    const HistoryEntry& entry = entries[i];
    // A choice's captions are said with the choice.
    if (entry.button || isButtonCaption(engine, entry.layer)) continue;
    sayText(entry.text(), first);
  }
  texts_ = added;

  if (engine.waiting() != ScriptEngine::Waiting::Choice) {
    choiceSaid_ = false;
    focus_ = nullptr;
    return;
  }
  // The captions are looked for only while the choice waits to be said or the focus has moved, not at
  // every frame of the wait.
  const SimpleLayer* focused = engine.scene().focused();
  const bool focusMoved = focused && focused != focus_;
  focus_ = focused;
  if (choiceSaid_ && !focusMoved) return;
  const std::vector<std::string> captions = choiceCaptions(engine);
  // The buttons are said once they show, after the texts shown with them.
  if (!choiceSaid_ && !captions.empty()) {
    choiceSaid_ = true;
    for (std::size_t i = 0; i < captions.size(); ++i)
      say(ja(MessageId::SpeechChoice,
             {std::to_string(i + 1), std::to_string(captions.size()), spoken(captions[i])}),
          false);
  }
  if (focusMoved) {
    const auto buttons = engine.scene().buttonsInReadingOrder();
    for (std::size_t i = 0; i < buttons.size() && i < captions.size(); ++i)
      if (buttons[i] == focused) sayNow(spoken(captions[i]));
  }
}

}  // namespace tavrik
