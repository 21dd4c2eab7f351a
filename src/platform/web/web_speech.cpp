// The text read aloud in a browser: the page's own speech synthesis, which speaks with the voices the
// player's system gives the browser. The desktop's speech libraries are not there.
#include <emscripten.h>

#include "base/messages.h"
#include "platform/speech.h"

namespace tavrik {

namespace {

// clang-format off
EM_JS(int, tavrikSpeechAvailable, (), {
  return (typeof speechSynthesis !== 'undefined' && typeof SpeechSynthesisUtterance !== 'undefined') ? 1 : 0;
});
EM_JS(void, tavrikSpeechSay, (const char* text, const char* language, int interrupt), {
  if (interrupt) speechSynthesis.cancel();
  const said = UTF8ToString(text);
  if (!said) return;
  const utterance = new SpeechSynthesisUtterance(said);
  const lang = UTF8ToString(language);
  utterance.lang = lang === 'ja' ? 'ja-JP' : lang;
  speechSynthesis.speak(utterance);
});
EM_JS(void, tavrikSpeechStop, (), { speechSynthesis.cancel(); });
EM_JS(int, tavrikSpeechSpeaking, (), { return (speechSynthesis.speaking || speechSynthesis.pending) ? 1 : 0; });
// clang-format on

class PageSpeech final : public Speech {
 public:
  void say(const Utterance& utterance) override {
    tavrikSpeechSay(utterance.text.c_str(), utterance.language.c_str(), utterance.interrupt ? 1 : 0);
  }
  void stop() override { tavrikSpeechStop(); }
  bool speaking() const override { return tavrikSpeechSpeaking() != 0; }
  std::string_view name() const override { return "browser"; }
};

}  // namespace

std::unique_ptr<Speech> openSpeech(std::string* why, std::chrono::milliseconds) {
  if (tavrikSpeechAvailable()) return std::make_unique<PageSpeech>();
  if (why) *why = en(MessageId::SpeechNothing);
  return nullptr;
}

std::unique_ptr<Speech> openSpeechDispatcher(std::string* why) {
  if (why) *why = en(MessageId::SpeechNothing);
  return nullptr;
}

std::unique_ptr<Speech> openEspeak(std::string* why, SpeechSamples) {
  if (why) *why = en(MessageId::SpeechNothing);
  return nullptr;
}

std::optional<SpeechSound> synthesize(std::string_view, std::string_view, std::string* why) {
  if (why) *why = en(MessageId::SpeechNothing);
  return std::nullopt;
}

}  // namespace tavrik
