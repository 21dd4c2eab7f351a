#include "platform/speech.h"

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

#include "base/messages.h"
#include "platform/speech_engine.h"

namespace tavrik {

namespace {

using namespace std::chrono_literals;

constexpr std::string_view kOpening = "opening";
constexpr std::string_view kNothing = "none";
// Utterances waiting for the voice at most (what comes beyond is dropped): an interrupting one empties
// the queue, so only a run of utterances that each wait for the last can fill it.
constexpr std::size_t kMaxWaiting = 32;
// The most text an utterance hands over, in bytes (the rest is dropped): a page of a game's text is well
// under 1 KB, and a text of megabytes would keep the voice's thread busy for long.
constexpr std::size_t kMaxTextBytes = 16 * 1024;
// How often an utterance waiting for the voice to fall silent looks again.
constexpr auto kPoll = 20ms;
// How long the speech's end waits for its thread to stop the voice and let it go (milliseconds, unless
// the service stopped answering) before leaving it to finish alone. A voice still opening is left to
// finish alone at once: connecting may take seconds.
constexpr auto kEndWait = 2s;

// Text cut to kMaxTextBytes at a character boundary.
std::string boundedText(const std::string& text) {
  if (text.size() <= kMaxTextBytes) return text;
  std::size_t end = kMaxTextBytes;
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  return text.substr(0, end);
}

struct Command {
  bool stop = false;
  Utterance utterance;
};

// What the speech and its thread share; the thread holds it too, so that a thread left to finish alone
// (see kEndWait) outlives the speech safely.
struct Voice {
  std::mutex mutex;
  std::condition_variable wake;
  std::condition_variable ended;
  std::deque<Command> commands;
  std::unique_ptr<SpeechEngine> engine;  // set once by the thread when open, taken back by it at the end
  std::string_view name = kOpening;
  bool opening = true;
  bool busy = false;  // the thread is in the engine's say or stop
  bool quit = false;
  bool done = false;
};

void run(const std::shared_ptr<Voice>& voice, const std::function<std::unique_ptr<SpeechEngine>()>& open) {
  std::unique_ptr<SpeechEngine> opened = open();
  SpeechEngine* engine = opened.get();
  {
    std::lock_guard lock(voice->mutex);
    voice->opening = false;
    voice->name = engine ? engine->name() : kNothing;
    if (!engine) voice->commands.clear();
    voice->engine = std::move(opened);
  }
  while (engine) {
    Command command;
    {
      std::unique_lock lock(voice->mutex);
      // An utterance that does not interrupt waits here for the one being said to end, rather than in
      // the engine: the speech service cuts a TEXT message short with the next one, and espeak-ng's voice
      // cannot change while it speaks. Here a stop or an interrupting utterance still overtakes it.
      const auto ready = [&] {
        if (voice->quit || voice->commands.empty()) return voice->quit;
        const Command& next = voice->commands.front();
        return next.stop || next.utterance.interrupt || !engine->speaking();
      };
      while (!ready()) {
        if (voice->commands.empty())
          voice->wake.wait(lock);
        else
          voice->wake.wait_for(lock, kPoll);
      }
      if (voice->quit) break;
      command = std::move(voice->commands.front());
      voice->commands.pop_front();
      voice->busy = true;
    }
    if (command.stop)
      engine->stop();
    else
      engine->say(command.utterance);
    std::lock_guard lock(voice->mutex);
    voice->busy = false;
  }
  std::unique_ptr<SpeechEngine> closing;
  {
    std::lock_guard lock(voice->mutex);
    closing = std::move(voice->engine);
  }
  closing.reset();  // stops the voice and lets the service go
  std::lock_guard lock(voice->mutex);
  voice->done = true;
  voice->ended.notify_all();
}

class QueuedSpeech final : public Speech {
 public:
  QueuedSpeech(std::shared_ptr<Voice> voice, std::thread thread)
      : voice_(std::move(voice)), thread_(std::move(thread)) {}

  ~QueuedSpeech() override {
    std::unique_lock lock(voice_->mutex);
    voice_->quit = true;
    voice_->commands.clear();
    voice_->wake.notify_all();
    if (!voice_->opening && voice_->ended.wait_for(lock, kEndWait, [&] { return voice_->done; })) {
      lock.unlock();
      thread_.join();
    } else {
      thread_.detach();
    }
  }

  void say(const Utterance& utterance) override {
    std::lock_guard lock(voice_->mutex);
    if (!voice_->opening && !voice_->engine) return;
    if (utterance.interrupt) interrupt();
    if (utterance.text.empty() || voice_->commands.size() >= kMaxWaiting) return;
    Command command;
    command.utterance = utterance;
    command.utterance.text = boundedText(utterance.text);
    voice_->commands.push_back(std::move(command));
    voice_->wake.notify_all();
  }

  void stop() override {
    std::lock_guard lock(voice_->mutex);
    if (!voice_->opening && !voice_->engine) return;
    interrupt();
  }

  bool speaking() const override {
    std::lock_guard lock(voice_->mutex);
    // While the voice opens nothing is being said: whoever waits for the voice (auto mode) does not
    // wait on a service that may never answer.
    if (voice_->opening) return false;
    return !voice_->commands.empty() || voice_->busy || (voice_->engine && voice_->engine->speaking());
  }

  std::string_view name() const override {
    std::lock_guard lock(voice_->mutex);
    return voice_->name;
  }

 private:
  // What waits is dropped and the voice is stopped first thing (under the voice's lock).
  void interrupt() {
    voice_->commands.clear();
    voice_->commands.push_back(Command{true, {}});
    voice_->wake.notify_all();
  }

  std::shared_ptr<Voice> voice_;
  std::thread thread_;
};

}  // namespace

std::unique_ptr<Speech> queuedSpeech(std::function<std::unique_ptr<SpeechEngine>()> open, std::string* why) {
  auto voice = std::make_shared<Voice>();
  try {
    std::thread thread([voice, open = std::move(open)] { run(voice, open); });
    return std::make_unique<QueuedSpeech>(std::move(voice), std::move(thread));
  } catch (const std::system_error& e) {
    if (why) *why = e.what();
    return nullptr;
  }
}

namespace {

// The speech service's engine, unless it has not answered within limit: the attempt is then left to
// finish alone on its thread (an engine it opens after all is let go there).
std::unique_ptr<SpeechEngine> openDispatcherWithin(std::chrono::milliseconds limit, std::string* why) {
  struct Attempt {
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    bool abandoned = false;
    std::unique_ptr<SpeechEngine> engine;
    std::string reason;
  };
  auto attempt = std::make_shared<Attempt>();
  try {
    std::thread([attempt] {
      std::string reason;
      std::unique_ptr<SpeechEngine> engine = openDispatcherEngine(&reason);
      std::lock_guard lock(attempt->mutex);
      attempt->finished = true;
      if (attempt->abandoned) return;
      attempt->engine = std::move(engine);
      attempt->reason = std::move(reason);
      attempt->done.notify_all();
    }).detach();
  } catch (const std::system_error& e) {
    if (why) *why = e.what();
    return nullptr;
  }
  std::unique_lock lock(attempt->mutex);
  if (!attempt->done.wait_for(lock, limit, [&] { return attempt->finished; })) {
    attempt->abandoned = true;
    if (why) *why = en(MessageId::SpeechServiceSilent, {std::to_string(limit.count())});
    return nullptr;
  }
  if (why) *why = attempt->reason;
  return std::move(attempt->engine);
}

}  // namespace

std::unique_ptr<Speech> openSpeech(std::string* why, std::chrono::milliseconds serviceWait) {
  prepareEspeakLocale();
  return queuedSpeech(
      [serviceWait] {
        std::string reason;
        if (std::unique_ptr<SpeechEngine> engine = openDispatcherWithin(serviceWait, &reason)) return engine;
        std::fprintf(stderr, "tavrik: %s\n", reason.c_str());
        if (std::unique_ptr<SpeechEngine> engine = openEspeakEngine(&reason, {})) return engine;
        std::fprintf(stderr, "tavrik: %s\ntavrik: %s\n", reason.c_str(),
                     en(MessageId::SpeechNothing).c_str());
        return std::unique_ptr<SpeechEngine>();
      },
      why);
}

namespace {

// A Speech around an engine already open.
std::unique_ptr<Speech> speechOf(std::unique_ptr<SpeechEngine> engine, std::string* why) {
  if (!engine) return nullptr;
  auto opened = std::make_shared<std::unique_ptr<SpeechEngine>>(std::move(engine));
  return queuedSpeech([opened] { return std::move(*opened); }, why);
}

}  // namespace

std::unique_ptr<Speech> openSpeechDispatcher(std::string* why) {
  return speechOf(openDispatcherEngine(why), why);
}

std::unique_ptr<Speech> openEspeak(std::string* why, SpeechSamples samples) {
  prepareEspeakLocale();
  return speechOf(openEspeakEngine(why, std::move(samples)), why);
}

std::optional<SpeechSound> synthesize(std::string_view text, std::string_view language, std::string* why) {
  prepareEspeakLocale();
  std::mutex mutex;
  SpeechSound sound;
  std::unique_ptr<SpeechEngine> engine =
      openEspeakEngine(why, [&](std::span<const std::int16_t> samples, int sampleRate) {
        std::lock_guard lock(mutex);
        sound.samples.insert(sound.samples.end(), samples.begin(), samples.end());
        sound.sampleRate = sampleRate;
      });
  if (!engine) return std::nullopt;
  engine->say(Utterance{boundedText(std::string(text)), std::string(language), true});
  // espeak-ng synthesises tens of times faster than it speaks; a minute is far beyond any text here.
  const auto deadline = std::chrono::steady_clock::now() + 60s;
  while (engine->speaking() && std::chrono::steady_clock::now() < deadline) std::this_thread::sleep_for(1ms);
  engine.reset();
  std::lock_guard lock(mutex);
  return sound;
}

}  // namespace tavrik
