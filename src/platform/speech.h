// Text read aloud, for players who cannot see the screen well: one voice that the player hands plain text
// to. The desktop's speech service (speech-dispatcher, with the voice, rate and volume the desktop's
// screen reader set) when it answers, espeak-ng in the player's own process otherwise. Both libraries are
// loaded with dlopen when speech is first opened (see shared_library.h), and every call returns at once:
// what may wait (connecting to the service, starting it, espeak-ng's queue) happens on a thread of the
// speech's own.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tavrik {

struct Utterance {
  std::string text;       // UTF-8, plain (no markup)
  std::string language;   // "ja" for the games' text
  bool interrupt = true;  // stop what is being said first
  bool operator==(const Utterance&) const = default;
};

// One voice. Every call returns at once and never blocks a frame.
class Speech {
 public:
  virtual ~Speech() = default;
  // Says the text after what is being said, or instead of it (and of what waits) when it interrupts. An
  // utterance with no text says nothing (one that interrupts still stops the voice).
  virtual void say(const Utterance& utterance) = 0;
  // Stops what is being said and what waits to be said.
  virtual void stop() = 0;
  // Something is still being said or waits to be (auto mode waits on it).
  virtual bool speaking() const = 0;
  // "speech-dispatcher", "espeak-ng", "recording"; "opening" while openSpeech's is still opening, and
  // "none" once it found nothing to speak with.
  virtual std::string_view name() const = 0;
};

// For tests and headless runs: keeps every utterance, says nothing, never speaking.
class RecordingSpeech final : public Speech {
 public:
  void say(const Utterance& utterance) override { said_.push_back(utterance); }
  void stop() override {}
  bool speaking() const override { return false; }
  std::string_view name() const override { return "recording"; }
  const std::vector<Utterance>& said() const { return said_; }

 private:
  std::vector<Utterance> said_;
};

// The player's voice. Returns at once; the voice opens on its own thread, because connecting may take
// seconds (libspeechd starts the service when none runs, and waits for it): speech-dispatcher when it
// answers, otherwise espeak-ng in this process with its Japanese voice, played through espeak-ng's own
// sound output; otherwise nothing. While it opens, name() is "opening", speaking() is false (nothing is
// being said, and a service that never answers must not hold up auto mode) and what is said waits (an
// interrupting utterance drops what waited before it) and is said once the voice is open; when nothing
// opens, what waited is dropped and name() becomes "none". Why a service could not be had is told on
// standard error, one line each, as it happens. Nothing is returned (with the reason in *why) only when
// the opening thread cannot be started. A service that has not answered within serviceWait (starting it
// included) is left behind for espeak-ng: one that accepts the connection and never answers would
// otherwise leave the player without a voice.
std::unique_ptr<Speech> openSpeech(std::string* why,
                                   std::chrono::milliseconds serviceWait = std::chrono::seconds(8));

// speech-dispatcher alone, connected (and the service started if need be) before it returns: nothing,
// with the reason, when it does not answer. SPEECHD_ADDRESS, as libspeechd reads it, says where it
// listens. For tests, and for the opening thread above.
std::unique_ptr<Speech> openSpeechDispatcher(std::string* why);

// espeak-ng's samples as they are synthesised: 16-bit mono at sampleRate, given on espeak-ng's thread.
using SpeechSamples = std::function<void(std::span<const std::int16_t> samples, int sampleRate)>;

// espeak-ng alone, started before it returns (a few milliseconds): its samples played through its own
// sound output, or handed to samples when that is given (nothing is played then). espeak-ng keeps one
// state per process: the first to open it chooses between played and handed samples for the rest of
// the process, and one espeak-ng speech is open at a time; another gets nothing, with the reason.
std::unique_ptr<Speech> openEspeak(std::string* why, SpeechSamples samples = {});

struct SpeechSound {
  std::vector<std::int16_t> samples;  // mono
  int sampleRate = 0;
};

// The text spoken by espeak-ng into memory, with the language's voice; waits until it is done. Nothing,
// with the reason, when espeak-ng cannot be had (see openEspeak).
std::optional<SpeechSound> synthesize(std::string_view text, std::string_view language, std::string* why);

}  // namespace tavrik
