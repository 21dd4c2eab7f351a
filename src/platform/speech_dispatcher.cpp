// The desktop's speech service through libspeechd, loaded at first use. The player asks only for the
// language: the voice, rate, pitch and volume stay the service's defaults, which are what the desktop's
// screen reader was set to, so that the game sounds like the rest of the desktop to its player.
//
// Every message goes at the TEXT priority, the one meant for running text: it gives way to what the
// screen reader says at its MESSAGE or IMPORTANT priorities, where ours at MESSAGE would go before the
// screen reader's own TEXT and at IMPORTANT would cut into whatever it says. An interrupting utterance
// cancels this client's messages first (spd_cancel, which touches no other client's). A TEXT message
// that comes while another is spoken cuts that one short, so one that does not interrupt is sent only
// once the one before has ended, which the speech's thread waits for (speech.cpp).
#include <speech-dispatcher/libspeechd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/messages.h"
#include "platform/shared_library.h"
#include "platform/speech_engine.h"

namespace tavrik {

namespace {

struct Speechd {
  decltype(&spd_open2) open = nullptr;
  decltype(&spd_close) close = nullptr;
  decltype(&spd_get_client_id) clientId = nullptr;
  decltype(&spd_set_notification_on) notificationOn = nullptr;
  decltype(&spd_set_language) setLanguage = nullptr;
  decltype(&spd_say) say = nullptr;
  decltype(&spd_cancel) cancel = nullptr;
};

const Speechd* speechd(std::string* why) {
  static std::string& failure = *new std::string;  // never destroyed (see connections())
  static const std::optional<Speechd> loaded = loadLibrary(
      "libspeechd.so.2", Speechd{},
      [](Speechd& t, auto& find) {
        find(t.open, "spd_open2");
        find(t.close, "spd_close");
        find(t.clientId, "spd_get_client_id");
        find(t.notificationOn, "spd_set_notification_on");
        find(t.setLanguage, "spd_set_language");
        find(t.say, "spd_say");
        find(t.cancel, "spd_cancel");
      },
      &failure);
  if (!loaded && why) *why = failure;
  return loaded ? &*loaded : nullptr;
}

// How far a connection's messages have gone, by message number (the service numbers them in the order
// they come, and ends or cancels them in that order): something is being said while the last one sent
// is past the last one ended or cancelled.
struct Progress {
  std::atomic<std::size_t> sent{0};
  std::atomic<std::size_t> finished{0};
};

void raiseTo(std::atomic<std::size_t>& value, std::size_t to) {
  std::size_t now = value.load();
  while (now < to && !value.compare_exchange_weak(now, to)) {
  }
}

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// A service may never tell a message's end: one whose sound output fails (no sound card) tells its
// beginning and nothing more. A message is taken as over once it has had far longer than saying it can
// take, so that auto mode does not wait for good: kPatience, and kPerCharacter for each character (two a
// second, a quarter of the pace of slow Japanese speech), from when it was sent or from the end of the
// time allowed to the one before it.
constexpr auto kPatience = 10s;
constexpr auto kPerCharacter = 500ms;

Clock::duration allowedFor(const std::string& text) {
  const auto characters = std::count_if(
      text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; });
  return kPatience + kPerCharacter * characters;
}

// libspeechd's notifications come on its own thread and carry the client's number but no pointer of
// ours: the open connections are found by number here. A callback takes nothing but this lock (no
// cancellation point: spd_close cancels that thread). Never destroyed: a speech's thread left to finish
// alone (see speech.cpp) may still use it while the program ends.
struct Connections {
  std::mutex mutex;
  std::vector<std::pair<std::size_t, Progress*>> open;
};

Connections& connections() {
  static Connections& all = *new Connections;
  return all;
}

void onFinished(std::size_t message, std::size_t client, SPDNotificationType) {
  Connections& all = connections();
  std::lock_guard lock(all.mutex);
  for (const auto& [id, progress] : all.open)
    if (id == client) raiseTo(progress->finished, message);
}

class DispatcherEngine final : public SpeechEngine {
 public:
  DispatcherEngine(const Speechd& library, SPDConnection* connection)
      : library_(library), connection_(connection) {}

  // Listens for the ends of its messages; false when the service refuses.
  bool listen() {
    const int client = library_.clientId(connection_);
    if (client < 0) return false;
    {
      std::lock_guard lock(connections().mutex);
      connections().open.emplace_back(static_cast<std::size_t>(client), &progress_);
    }
    connection_->callback_end = onFinished;
    connection_->callback_cancel = onFinished;
    return library_.notificationOn(connection_, SPD_END) == 0 &&
           library_.notificationOn(connection_, SPD_CANCEL) == 0;
  }

  ~DispatcherEngine() override {
    {
      std::lock_guard lock(connections().mutex);
      std::erase_if(connections().open, [&](const auto& entry) { return entry.second == &progress_; });
    }
    library_.cancel(connection_);
    library_.close(connection_);
  }

  void say(const Utterance& utterance) override {
    // A language the service has no voice for leaves the one it had; it is not asked again.
    if (utterance.language != language_) {
      library_.setLanguage(connection_, utterance.language.c_str());
      language_ = utterance.language;
    }
    const int message = library_.say(connection_, SPD_TEXT, utterance.text.c_str());
    if (message < 0) {
      lost();
      return;
    }
    const Clock::time_point from =
        std::max(Clock::now(), Clock::time_point(Clock::duration(giveUpAt_.load())));
    giveUpAt_ = (from + allowedFor(utterance.text)).time_since_epoch().count();
    raiseTo(progress_.sent, static_cast<std::size_t>(message));
  }

  void stop() override {
    if (library_.cancel(connection_) != 0) lost();
    // What was sent before is over for the player, whether or not its cancel is told.
    raiseTo(progress_.finished, progress_.sent.load());
    giveUpAt_ = Clock::now().time_since_epoch().count();
  }

  bool speaking() const override {
    return progress_.sent.load() > progress_.finished.load() &&
           Clock::now().time_since_epoch().count() < giveUpAt_.load();
  }

  std::string_view name() const override { return "speech-dispatcher"; }

 private:
  // The service refused or is gone: nothing of ours is known to be said any more, so that auto mode
  // does not wait for an end that will not come.
  void lost() { raiseTo(progress_.finished, progress_.sent.load()); }

  const Speechd& library_;
  SPDConnection* connection_;
  Progress progress_;
  std::atomic<Clock::rep> giveUpAt_{0};  // when what was sent is taken as said, told or not
  std::string language_;
};

}  // namespace

std::unique_ptr<SpeechEngine> openDispatcherEngine(std::string* why) {
  const Speechd* library = speechd(why);
  if (!library) return nullptr;
  char* error = nullptr;
  // Threaded, for the notifications; autospawn starts the service when none answers.
  SPDConnection* connection = library->open("tavrik", "main", nullptr, SPD_MODE_THREADED, nullptr, 1, &error);
  if (!connection) {
    std::string reason = error ? error : "";
    std::free(error);
    std::replace(reason.begin(), reason.end(), '\n', ' ');
    while (!reason.empty() && reason.back() == ' ') reason.pop_back();
    if (why) *why = en(MessageId::SpeechDispatcherUnanswered, {reason});
    return nullptr;
  }
  auto engine = std::make_unique<DispatcherEngine>(*library, connection);
  if (!engine->listen()) {
    if (why) *why = en(MessageId::SpeechDispatcherUnanswered, {"SET NOTIFICATION"});
    return nullptr;
  }
  return engine;
}

}  // namespace tavrik
