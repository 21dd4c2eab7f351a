// What a Speech drives from its own thread: a speech library's calls, which may wait (on the service's
// socket, on espeak-ng's queue), made one at a time from that one thread. Internal to speech*.cpp.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/speech.h"

namespace tavrik {

class SpeechEngine {
 public:
  virtual ~SpeechEngine() = default;  // stops what is being said
  // Says the text. The speech's thread calls it when nothing is being said: after stopping the voice
  // for an interrupting utterance, after the end of what was being said for another.
  virtual void say(const Utterance& utterance) = 0;
  virtual void stop() = 0;
  // Asked from any thread, while the engine's thread may be in say or stop: never waits.
  virtual bool speaking() const = 0;
  // A name with static storage.
  virtual std::string_view name() const = 0;
};

// speech_dispatcher.cpp: connected (the service started if need be) before it returns.
std::unique_ptr<SpeechEngine> openDispatcherEngine(std::string* why);
// espeak_voice.cpp: started before it returns; its samples handed to samples when that is given.
std::unique_ptr<SpeechEngine> openEspeakEngine(std::string* why, SpeechSamples samples);
// espeak-ng sets the C library's character type to UTF-8 as it starts, from whichever thread starts it:
// done first on the thread that asks for speech, the change is made where the program expects it and
// espeak-ng's own setting changes nothing.
void prepareEspeakLocale();

// A Speech whose engine is opened by open on the speech's thread, which then says and stops on it.
std::unique_ptr<Speech> queuedSpeech(std::function<std::unique_ptr<SpeechEngine>()> open, std::string* why);

}  // namespace tavrik
