#include "platform/audio_output.h"

#include <SDL.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "base/script_path.h"
#include "base/threads.h"
#include "platform/sound_stream.h"

namespace tavrik {

namespace {

// No sound file of a game comes near this; a name that leads to a device must not be read forever.
constexpr std::uintmax_t kMaxSoundFileSize = 512u * 1024 * 1024;
// The mix is made this many frames at a time, whatever the device asks for.
constexpr std::size_t kMixFrames = 1024;
constexpr std::uint32_t kEndless = 0xFFFFFFFFu;

// One thread doing jobs in the order they were posted.
class JobThread {
 public:
  // held: the jobs wait until release().
  explicit JobThread(bool held = false) : held_(held) {
    if constexpr (kHaveThreads)
      thread_ = std::thread([this] {
        run();
        // SDL keeps per-thread data (its error message) that it frees itself only for its own threads.
        SDL_TLSCleanup();
      });
  }
  ~JobThread() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stopping_ = true;
      jobs_.clear();
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
  }
  void post(std::function<void()> job) {
    if constexpr (!kHaveThreads) {
      jobs_.push_back(std::move(job));
      runHere();
      return;
    }
    {
      std::lock_guard<std::mutex> lock(mutex_);
      jobs_.push_back(std::move(job));
    }
    wake_.notify_all();
  }
  void release() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      held_ = false;
    }
    wake_.notify_all();
    if constexpr (!kHaveThreads) runHere();
  }

 private:
  void run() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
      wake_.wait(lock, [this] { return stopping_ || (!held_ && !jobs_.empty()); });
      if (stopping_) return;
      std::function<void()> job = std::move(jobs_.front());
      jobs_.pop_front();
      lock.unlock();
      job();
      lock.lock();
    }
  }

  // Without threads: the jobs posted, in order, on the calling thread (one posted by a job runs after it).
  void runHere() {
    if (held_ || runningHere_) return;
    runningHere_ = true;
    while (!jobs_.empty()) {
      std::function<void()> job = std::move(jobs_.front());
      jobs_.pop_front();
      job();
    }
    runningHere_ = false;
  }

  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<std::function<void()>> jobs_;
  bool stopping_ = false;
  bool held_;
  bool runningHere_ = false;
  std::thread thread_;  // last: it starts once the rest is built
};

// What the playing thread tells the sound thread about a channel. Loads are numbered: a stream comes
// with the number of the load it was opened for, and is taken only if no other load came since.
struct Command {
  enum Kind { Load, Stream, Play, Stop, Gains };
  Command(Kind commandKind, int channelIndex, std::uint64_t loadNumber = 0,
          std::unique_ptr<SoundStream> openedStream = nullptr)
      : kind(commandKind), channel(channelIndex), load(loadNumber), stream(std::move(openedStream)) {}
  Kind kind;
  int channel;
  std::uint64_t load = 0;
  std::unique_ptr<SoundStream> stream;
  std::uint32_t repeats = 0;
  float left = 1, right = 1;
  bool effect = false;  // Load: a sound-effect channel, under the player's effect volume
};

// A channel as the sound thread plays it.
struct Voice {
  std::uint64_t load = 0;
  std::unique_ptr<SoundStream> stream;  // nothing while the sound is opened, or when it cannot be
  bool playing = false;                 // asked to play: sounds as soon as the stream is there
  bool fromStart = false;               // the stream goes back to its start first
  std::uint32_t repeats = 0;            // plays left after this one
  float left = 1, right = 1;
  bool effect = false;  // a sound-effect channel
};

// A mix written to a file as the frames go by.
struct Recording {
  std::filesystem::path path;
  std::FILE* file = nullptr;  // made by the first frame written, so a run that never starts leaves it be
  bool finished = false;
  std::uint64_t frames = 0;   // frames whose share is written
  std::uint64_t samples = 0;  // sample frames written
  bool failed = false;
  std::vector<Sint16> mix;
  std::vector<unsigned char> bytes;
};

// The header of a 16-bit stereo PCM WAV file with that many bytes of samples.
std::array<unsigned char, 44> wavHeader(std::uint32_t dataBytes) {
  std::array<unsigned char, 44> h{};
  std::size_t at = 0;
  auto text = [&](const char* s) {
    for (int i = 0; i < 4; ++i) h[at++] = static_cast<unsigned char>(s[i]);
  };
  auto le = [&](std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) h[at++] = static_cast<unsigned char>(v >> (8 * i));
  };
  text("RIFF");
  le(36 + dataBytes, 4);
  text("WAVE");
  text("fmt ");
  le(16, 4);
  le(1, 2);  // PCM
  le(2, 2);  // stereo
  le(SoundStream::kRate, 4);
  le(SoundStream::kRate * 4, 4);
  le(4, 2);
  le(16, 2);
  text("data");
  le(dataBytes, 4);
  return h;
}

// A WAV file's size field holds 32 bits.
constexpr std::uint64_t kMaxRecordedBytes = 0xFFFFFFFFu - 36;

}  // namespace

struct AudioOutput::Core {
  enum State { Opening, Ready, Failed };

  bool background = false;
  // Written by the output's thread, read by the playing one.
  std::atomic<int> state{Opening};
  SDL_AudioDeviceID device = 0;
  // The playing thread's own.
  bool closed = false;  // the output is gone; players do nothing
  int channels = 0;
  std::uint64_t loads = 0;
  std::unique_ptr<JobThread> thread;
  // The player's volume for music and for sound effects, read by the sound thread at every block.
  std::atomic<float> playerGains[2] = {1.0f, 1.0f};

  // Handed between the threads under the lock: commands to the sound thread, and the streams it has
  // done with back, to be closed elsewhere (closing a decoder is no work for the sound thread).
  std::mutex mutex;
  std::vector<Command> commands;
  std::vector<std::unique_ptr<SoundStream>> retired;

  // The sound thread's own.
  std::vector<Command> taken;
  std::vector<Voice> voices;
  std::vector<std::unique_ptr<SoundStream>> done;
  std::vector<float> block, mix;
  // Set when the mix goes to a file rather than a device; then the playing thread mixes.
  std::unique_ptr<Recording> recording;

  // Makes the file, with a header to be completed at the end; false when it cannot be.
  bool openRecording() {
    Recording& r = *recording;
    if (r.file || r.failed || r.finished) return r.file != nullptr;
    r.file = std::fopen(r.path.c_str(), "wb");
    const std::array<unsigned char, 44> header = wavHeader(0);
    if (!r.file || std::fwrite(header.data(), 1, header.size(), r.file) != header.size()) r.failed = true;
    return r.file != nullptr;
  }

  // Mixes the share of the next frame and writes it.
  void recordFrame() {
    Recording& r = *recording;
    constexpr std::uint64_t kFramesPerSecond = 60;
    const std::uint64_t end = (r.frames + 1) * SoundStream::kRate / kFramesPerSecond;
    const std::size_t count =
        static_cast<std::size_t>(end - r.frames * SoundStream::kRate / kFramesPerSecond);
    ++r.frames;
    r.mix.resize(2 * count);
    fill(r.mix.data(), count);
    if (r.failed) return;
    if ((r.samples + count) * 4 > kMaxRecordedBytes) {
      r.failed = true;
      return;
    }
    r.bytes.resize(4 * count);
    for (std::size_t i = 0; i < 2 * count; ++i) {
      const auto v = static_cast<std::uint16_t>(r.mix[i]);
      r.bytes[2 * i] = static_cast<unsigned char>(v & 0xFF);
      r.bytes[2 * i + 1] = static_cast<unsigned char>(v >> 8);
    }
    if (std::fwrite(r.bytes.data(), 1, r.bytes.size(), r.file) != r.bytes.size()) r.failed = true;
    r.samples += count;
  }

  // Sends a command, or drops it when no device will take it.
  void send(Command command) {
    if (closed || state.load() == Failed) return;
    std::lock_guard<std::mutex> lock(mutex);
    commands.push_back(std::move(command));
  }

  // On the playing thread: closes the streams the sound thread has done with; without a device, drops
  // what was sent while it was opening.
  void collect() {
    std::vector<std::unique_ptr<SoundStream>> streams;
    std::vector<Command> dropped;
    {
      std::lock_guard<std::mutex> lock(mutex);
      streams.swap(retired);
      if (state.load() == Failed) dropped.swap(commands);
    }
  }

  // The sound thread's part, called by SDL for every block the device plays.
  static void callback(void* user, Uint8* bytes, int length) {
    static_cast<Core*>(user)->fill(reinterpret_cast<Sint16*>(bytes), static_cast<std::size_t>(length) / 4);
  }

  void fill(Sint16* out, std::size_t frames) {
    {
      std::lock_guard<std::mutex> lock(mutex);
      taken.swap(commands);
    }
    for (Command& c : taken) apply(c);
    taken.clear();
    while (frames > 0) {
      const std::size_t n = std::min(frames, kMixFrames);
      std::fill_n(mix.begin(), 2 * n, 0.0f);
      for (Voice& v : voices) mixVoice(v, n);
      for (std::size_t i = 0; i < 2 * n; ++i)
        out[i] = static_cast<Sint16>(std::clamp(std::lround(mix[i] * 32768.0f), -32768L, 32767L));
      out += 2 * n;
      frames -= n;
    }
    if (!done.empty()) {
      std::lock_guard<std::mutex> lock(mutex);
      for (auto& stream : done) retired.push_back(std::move(stream));
      done.clear();
    }
  }

  void apply(Command& c) {
    if (voices.size() <= static_cast<std::size_t>(c.channel)) voices.resize(c.channel + 1);
    Voice& v = voices[c.channel];
    switch (c.kind) {
      case Command::Load:
        if (v.stream) done.push_back(std::move(v.stream));
        v.load = c.load;
        v.effect = c.effect;
        v.playing = false;
        break;
      case Command::Stream:
        if (c.load == v.load && !v.stream) {
          v.stream = std::move(c.stream);
          v.fromStart = false;
        } else {
          done.push_back(std::move(c.stream));
        }
        break;
      case Command::Play:
        v.playing = true;
        v.fromStart = true;
        v.repeats = c.repeats;
        break;
      case Command::Stop:
        v.playing = false;
        break;
      case Command::Gains:
        v.left = c.left;
        v.right = c.right;
        break;
    }
  }

  void mixVoice(Voice& v, std::size_t frames) {
    if (!v.playing || !v.stream) return;
    if (v.fromStart) {
      v.fromStart = false;
      if (!v.stream->rewind()) {
        v.playing = false;
        return;
      }
    }
    std::size_t got = 0;
    bool rewound = false;
    while (got < frames) {
      const std::size_t n = v.stream->read(block.data() + 2 * got, frames - got);
      got += n;
      if (got == frames) break;
      // The end of the sound: once more, unless it was played out, cannot go back, or has no length.
      if (v.repeats == 0 || (rewound && n == 0) || !v.stream->rewind()) {
        v.playing = false;
        break;
      }
      if (v.repeats != kEndless) --v.repeats;
      rewound = true;
    }
    const float player = playerGains[v.effect ? 1 : 0].load(std::memory_order_relaxed);
    const float left = v.left * player, right = v.right * player;
    if (left == 0 && right == 0) return;
    for (std::size_t i = 0; i < got; ++i) {
      mix[2 * i] += block[2 * i] * left;
      mix[2 * i + 1] += block[2 * i + 1] * right;
    }
  }
};

namespace {

// Opens SDL's audio and a device fed by the core. Headless runs go straight to the silent output unless
// a driver is asked for; fallBack lets a run whose device cannot be opened have the silent output
// instead. False, with SDL's audio shut again, when there is no output.
bool openDevice(AudioOutput::Core& core, bool headless, bool fallBack) {
  const char* asked = std::getenv("SDL_AUDIODRIVER");
  const bool driverAsked = asked && *asked;
  // A real device gets a short buffer (23 ms) for prompt sound; the silent output, which nobody hears, a
  // long one, so its thread wakes ten times a second instead of forty.
  auto tryOpen = [&core] {
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
    const char* driver = SDL_GetCurrentAudioDriver();
    const bool silent = driver && SDL_strcmp(driver, "dummy") == 0;
    SDL_AudioSpec want{};
    want.freq = SoundStream::kRate;
    want.format = AUDIO_S16SYS;
    want.channels = 2;
    want.samples = silent ? 4096 : 1024;
    want.callback = &AudioOutput::Core::callback;
    want.userdata = &core;
    // SDL converts the mix for a device that wants another format.
    core.device = SDL_OpenAudioDevice(nullptr, 0, &want, nullptr, 0);
    return core.device != 0;
  };
  bool silentAsked = false;
  auto useSilentOutput = [&silentAsked] {
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    SDL_SetHintWithPriority(SDL_HINT_AUDIODRIVER, "dummy", SDL_HINT_OVERRIDE);
    silentAsked = true;
  };
  const bool silentFirst = headless && !driverAsked;
  if (silentFirst) useSilentOutput();
  bool opened = tryOpen();
  if (!opened && fallBack && !silentFirst) {
    useSilentOutput();
    opened = tryOpen();
  }
  // The choice holds for this opening only: a later output looks at SDL_AUDIODRIVER afresh.
  if (silentAsked) SDL_ResetHint(SDL_HINT_AUDIODRIVER);
  if (!opened) {
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return false;
  }
  core.block.resize(2 * kMixFrames);
  core.mix.resize(2 * kMixFrames);
  SDL_PauseAudioDevice(core.device, 0);
  return true;
}

// Opens a channel's sound file, or gives nothing. A file that could not be opened is not tried again
// until it changes: a game that loads a damaged sound again and again costs one attempt (and whatever
// the decoding library keeps of a failed one), not one a frame.
std::unique_ptr<SoundStream> openFile(const std::filesystem::path& native) {
  struct Stamp {
    std::filesystem::file_time_type time;
    std::uintmax_t size;
    bool operator==(const Stamp&) const = default;
  };
  static std::mutex mutex;
  static std::map<std::string, Stamp> unreadable;
  std::error_code ec;
  if (!std::filesystem::is_regular_file(native, ec)) return nullptr;
  const Stamp stamp{std::filesystem::last_write_time(native, ec), std::filesystem::file_size(native, ec)};
  if (ec || stamp.size > kMaxSoundFileSize) return nullptr;
  {
    std::lock_guard<std::mutex> lock(mutex);
    const auto known = unreadable.find(native.string());
    if (known != unreadable.end() && known->second == stamp) return nullptr;
  }
  std::unique_ptr<SoundStream> stream = openSoundStream(native);
  if (!stream) {
    std::lock_guard<std::mutex> lock(mutex);
    if (unreadable.size() >= 4096) unreadable.clear();
    unreadable[native.string()] = stamp;
  }
  return stream;
}

}  // namespace

class StreamPlayer : public AudioChannelPlayer {
 public:
  // The performance channels a script declares are of no use to the mix.
  StreamPlayer(std::shared_ptr<AudioOutput::Core> core, int channel, bool positional)
      : core_(std::move(core)), channel_(channel), positional_(positional) {}

  ~StreamPlayer() override {
    // The channel falls silent and its sound is closed.
    core_->send(Command(Command::Load, channel_, ++core_->loads));
  }

  void load(std::string_view scriptPath) override {
    Core& core = *core_;
    if (core.closed) return;
    core.collect();
    // The old sound stops at once; the new one waits for play.
    const std::uint64_t load = ++core.loads;
    latest_->store(load);
    Command command(Command::Load, channel_, load);
    command.effect = positional_;
    core.send(std::move(command));
    if (core.state.load() == Core::Failed) return;
    const std::optional<std::filesystem::path> native = paths::resolve(scriptPath);
    if (!native) return;
    if (!core.background) {
      if (std::unique_ptr<SoundStream> stream = openFile(*native))
        core.send(Command(Command::Stream, channel_, load, std::move(stream)));
      return;
    }
    // Opening reads a file's header, or a MIDI file whole and a sound font: the output's thread does it,
    // after opening the device, and skips a file another load has replaced meanwhile.
    core.thread->post([&core, channel = channel_, load, latest = latest_, file = *native] {
      if (core.state.load() != Core::Ready || latest->load() != load) return;
      if (std::unique_ptr<SoundStream> stream = openFile(file)) {
        std::lock_guard<std::mutex> lock(core.mutex);
        core.commands.emplace_back(Command::Stream, channel, load, std::move(stream));
      }
    });
  }

  void play(std::uint32_t repeats) override {
    Command c(Command::Play, channel_);
    c.repeats = repeats;
    core_->send(std::move(c));
  }

  void stop() override { core_->send(Command(Command::Stop, channel_)); }

  void setVolumeLevel(std::int32_t level) override {
    // Back from hundredths of a decibel to a linear gain; -9600 is silence.
    gain_ = level <= -9600 ? 0.0f : static_cast<float>(std::pow(10.0, level / 2000.0));
    sendGains();
  }

  void setPosition(float x, float y, float z) override {
    if (!positional_) return;
    AudioOutput::positionalGains(x, y, z, panLeft_, panRight_);
    sendGains();
  }

 private:
  using Core = AudioOutput::Core;

  // Only changes are sent: the channel sets its volume every frame.
  void sendGains() {
    const float left = gain_ * panLeft_, right = gain_ * panRight_;
    if (left == sentLeft_ && right == sentRight_) return;
    sentLeft_ = left;
    sentRight_ = right;
    Command c(Command::Gains, channel_);
    c.left = left;
    c.right = right;
    core_->send(std::move(c));
  }

  std::shared_ptr<Core> core_;
  int channel_;
  bool positional_;
  // The channel's last load, for the output's thread to skip files replaced before they were opened.
  std::shared_ptr<std::atomic<std::uint64_t>> latest_ = std::make_shared<std::atomic<std::uint64_t>>(0);
  // Asked for, and last sent (a new channel is at full volume, centred).
  float gain_ = 1, panLeft_ = 1, panRight_ = 1;
  float sentLeft_ = 1, sentRight_ = 1;
};

void AudioOutput::setPlayerGains(float music, float effects) {
  core_->playerGains[0].store(std::clamp(music, 0.0f, 1.0f));
  core_->playerGains[1].store(std::clamp(effects, 0.0f, 1.0f));
}

void AudioOutput::positionalGains(float x, float y, float z, float& left, float& right) {
  const double d =
      std::sqrt(static_cast<double>(x) * x + static_cast<double>(y) * y + static_cast<double>(z) * z);
  const double attenuation = d <= 1.0 ? 1.0 : 1.0 / d;
  const double balance = d > 0 ? std::clamp(static_cast<double>(x) / d, -1.0, 1.0) : 0.0;
  left = static_cast<float>(std::min(1.0, 1.0 - balance) * attenuation);
  right = static_cast<float>(std::min(1.0, 1.0 + balance) * attenuation);
}

AudioOutput::AudioOutput(std::shared_ptr<Core> core) : core_(std::move(core)) {}

std::unique_ptr<AudioOutput> AudioOutput::open(bool headless, Opening opening) {
  auto core = std::make_shared<Core>();
  if (opening == Opening::Now) {
    if (!openDevice(*core, headless, true)) return nullptr;
    core->state = Core::Ready;
  } else {
    core->background = true;
    core->thread = std::make_unique<JobThread>(opening == Opening::AfterFirstFrame);
    core->thread->post([core = core.get(), headless] {
      core->state = openDevice(*core, headless, false) ? Core::Ready : Core::Failed;
    });
  }
  return std::unique_ptr<AudioOutput>(new AudioOutput(std::move(core)));
}

std::unique_ptr<AudioOutput> AudioOutput::record(const std::filesystem::path& wav, std::string* error) {
  // Whether the file can be written is known now; it is made with the first frame written, so that a
  // run that never starts (a script that cannot be compiled) leaves a file of that name as it was.
  std::error_code ec;
  const bool existed = std::filesystem::exists(wav, ec);
  std::FILE* probe = std::fopen(wav.c_str(), existed ? "r+b" : "wb");
  if (!probe) {
    if (error) *error = std::strerror(errno);
    return nullptr;
  }
  std::fclose(probe);
  if (!existed) std::filesystem::remove(wav, ec);
  auto core = std::make_shared<Core>();
  core->recording = std::make_unique<Recording>();
  core->recording->path = wav;
  core->block.resize(2 * kMixFrames);
  core->mix.resize(2 * kMixFrames);
  core->state = Core::Ready;
  return std::unique_ptr<AudioOutput>(new AudioOutput(std::move(core)));
}

void AudioOutput::recordFrames(std::int64_t frames) {
  Recording* r = core_->recording.get();
  if (!r || r->finished) return;
  core_->collect();
  while (static_cast<std::int64_t>(r->frames) < frames && core_->openRecording()) core_->recordFrame();
}

bool AudioOutput::finishRecording() {
  Recording* r = core_->recording.get();
  if (!r) return true;
  if (r->finished) return !r->failed;
  core_->openRecording();  // a run of no frames still gets its (empty) file
  r->finished = true;
  if (!r->file) return false;
  const std::array<unsigned char, 44> header = wavHeader(static_cast<std::uint32_t>(r->samples * 4));
  if (std::fseek(r->file, 0, SEEK_SET) != 0 ||
      std::fwrite(header.data(), 1, header.size(), r->file) != header.size())
    r->failed = true;
  if (std::fclose(r->file) != 0) r->failed = true;
  r->file = nullptr;
  return !r->failed;
}

void AudioOutput::startOpening() {
  if (core_->thread) core_->thread->release();
}

AudioOutput::~AudioOutput() {
  if (core_->recording) {
    // A recording begun is completed; one never begun leaves no file.
    if (core_->recording->file) finishRecording();
    core_->closed = true;
    return;
  }
  // A sound being opened is finished first; nothing else waiting is started.
  core_->thread.reset();
  core_->closed = true;
  if (core_->state.load() != Core::Ready) return;
  // The sound thread stops here; what it held is closed on this one.
  SDL_CloseAudioDevice(core_->device);
  core_->voices.clear();
  core_->commands.clear();
  core_->retired.clear();
  core_->done.clear();
  SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

std::unique_ptr<AudioChannelPlayer> AudioOutput::createPlayer(bool positional, int /*performanceChannels*/) {
  return std::make_unique<StreamPlayer>(core_, core_->channels++, positional);
}

void AudioOutput::poll() {
  if (!core_->closed) core_->collect();
}

}  // namespace tavrik
