// espeak-ng in the player's own process, loaded at first use: the voice when no speech service answers.
// It runs asynchronously: espeak_Synth queues the text for espeak-ng's own thread, which synthesises it
// and either plays it through espeak-ng's sound output (pcaudiolib) or hands the samples over through
// the synthesis callback; espeak_Cancel stops both, and espeak_IsPlaying says whether that thread still
// has something to do (playing included). Its state is one per process, hence the one engine at a time.
#include <espeak-ng/speak_lib.h>

#include <atomic>
#include <clocale>
#include <mutex>
#include <optional>
#include <string>
#include <utility>

#include "base/messages.h"
#include "platform/shared_library.h"
#include "platform/speech_engine.h"

namespace tavrik {

namespace {

constexpr const char* kLocale = "C.UTF-8";
constexpr const char* kFirstVoice = "ja";

struct Espeak {
  decltype(&espeak_Initialize) initialize = nullptr;
  decltype(&espeak_SetVoiceByName) setVoice = nullptr;
  decltype(&espeak_SetSynthCallback) setCallback = nullptr;
  decltype(&espeak_Synth) synth = nullptr;
  decltype(&espeak_Cancel) cancel = nullptr;
  decltype(&espeak_IsPlaying) isPlaying = nullptr;
};

const Espeak* espeak(std::string* why) {
  static std::string& failure = *new std::string;  // never destroyed (see started())
  static const std::optional<Espeak> loaded = loadLibrary(
      "libespeak-ng.so.1", Espeak{},
      [](Espeak& t, auto& find) {
        find(t.initialize, "espeak_Initialize");
        find(t.setVoice, "espeak_SetVoiceByName");
        find(t.setCallback, "espeak_SetSynthCallback");
        find(t.synth, "espeak_Synth");
        find(t.cancel, "espeak_Cancel");
        find(t.isPlaying, "espeak_IsPlaying");
      },
      &failure);
  if (!loaded && why) *why = failure;
  return loaded ? &*loaded : nullptr;
}

// espeak-ng's one state in the process: started once, playing or handing its samples over for good.
struct Started {
  std::mutex mutex;
  enum class Output { None, Played, Handed } output = Output::None;
  int sampleRate = 0;
  bool taken = false;  // an engine is open
};

// Never destroyed: a speech's thread left to finish alone (see speech.cpp) may still use it while the
// program ends.
Started& started() {
  static Started& state = *new Started;
  return state;
}

class EspeakEngine;
// The engine the synthesis callback hands samples to (set while one is open in handing mode).
std::atomic<EspeakEngine*> gHandingTo{nullptr};

class EspeakEngine final : public SpeechEngine {
 public:
  EspeakEngine(const Espeak& library, int sampleRate, SpeechSamples samples)
      : library_(library), sampleRate_(sampleRate), samples_(std::move(samples)) {
    if (samples_) gHandingTo = this;
  }

  ~EspeakEngine() override {
    stop();
    gHandingTo = nullptr;
    std::lock_guard lock(started().mutex);
    started().taken = false;
  }

  // Said when nothing is (see speech.cpp), so that the voice may change.
  void say(const Utterance& utterance) override {
    if (!utterance.language.empty() && utterance.language != language_) {
      // A language without a voice keeps the voice there was; it is not asked again.
      library_.setVoice(utterance.language.c_str());
      language_ = utterance.language;
    }
    library_.synth(utterance.text.c_str(), utterance.text.size() + 1, 0, POS_CHARACTER, 0, espeakCHARS_UTF8,
                   nullptr, nullptr);
  }

  void stop() override {
    // Handing samples over, espeak-ng's thread stops at the next block only when the callback says so;
    // espeak_Cancel waits for it.
    stopping_ = true;
    library_.cancel();
    stopping_ = false;
  }

  bool speaking() const override { return library_.isPlaying() != 0; }

  std::string_view name() const override { return "espeak-ng"; }

  // On espeak-ng's thread: nonzero stops the synthesis.
  int hand(const short* samples, int count) {
    if (stopping_) return 1;
    if (samples && count > 0)
      samples_(std::span<const std::int16_t>(samples, static_cast<std::size_t>(count)), sampleRate_);
    return 0;
  }

 private:
  const Espeak& library_;
  const int sampleRate_;
  SpeechSamples samples_;
  std::atomic<bool> stopping_{false};
  std::string language_ = kFirstVoice;
};

int onSynthesis(short* samples, int count, espeak_EVENT*) {
  EspeakEngine* engine = gHandingTo.load();
  return engine ? engine->hand(samples, count) : 0;
}

}  // namespace

void prepareEspeakLocale() {
  std::lock_guard lock(started().mutex);
  if (started().output == Started::Output::None) std::setlocale(LC_CTYPE, kLocale);
}

std::unique_ptr<SpeechEngine> openEspeakEngine(std::string* why, SpeechSamples samples) {
  const Espeak* library = espeak(why);
  if (!library) return nullptr;
  Started& state = started();
  std::lock_guard lock(state.mutex);
  const Started::Output output = samples ? Started::Output::Handed : Started::Output::Played;
  if (state.taken || (state.output != Started::Output::None && state.output != output)) {
    if (why) *why = en(MessageId::SpeechEspeakInUse);
    return nullptr;
  }
  if (state.output == Started::Output::None) {
    // Without DONT_EXIT, espeak-ng ends the process when its data is missing; with it, the voice below
    // is not found then.
    state.sampleRate = library->initialize(
        output == Started::Output::Played ? AUDIO_OUTPUT_PLAYBACK : AUDIO_OUTPUT_RETRIEVAL, 0, nullptr,
        espeakINITIALIZE_DONT_EXIT);
    state.output = output;
    library->setCallback(onSynthesis);
  }
  // Nothing is being said (no engine is open), so the voice can change under espeak-ng's thread.
  if (state.sampleRate <= 0 || library->setVoice(kFirstVoice) != EE_OK) {
    if (why) *why = en(MessageId::SpeechEspeakNoVoice, {kFirstVoice});
    return nullptr;
  }
  state.taken = true;
  return std::make_unique<EspeakEngine>(*library, state.sampleRate, std::move(samples));
}

}  // namespace tavrik
