#include "platform/audio_output.h"

#include <SDL.h>
#include <SDL_mixer.h>
#include <dlfcn.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <type_traits>
#include <vector>

#include "base/script_path.h"

namespace tavrik {

namespace {

constexpr const char* kSoundFont = "/usr/share/sounds/sf2/TimGM6mb.sf2";
// No sound file of a game comes near this; a name that leads to a device must not be read forever.
constexpr std::uintmax_t kMaxSoundFileSize = 512u * 1024 * 1024;

// SDL_mixer is loaded when sound is first opened, not with the program: with its decoders and
// synthesiser it brings some fifty libraries, whose loading would delay every start (by about 10 ms)
// for a window's sound that opens on its own thread anyway. Without it the player is silent.
struct Mixer {
  decltype(&Mix_OpenAudio) openAudio = nullptr;
  decltype(&Mix_CloseAudio) closeAudio = nullptr;
  decltype(&Mix_Init) init = nullptr;
  decltype(&Mix_Quit) quit = nullptr;
  decltype(&Mix_SetSoundFonts) setSoundFonts = nullptr;
  decltype(&Mix_AllocateChannels) allocateChannels = nullptr;
  decltype(&Mix_LoadWAV_RW) loadWavRw = nullptr;
  decltype(&Mix_FreeChunk) freeChunk = nullptr;
  decltype(&Mix_PlayChannelTimed) playChannelTimed = nullptr;
  decltype(&Mix_HaltChannel) haltChannel = nullptr;
  decltype(&Mix_Volume) volume = nullptr;
  decltype(&Mix_SetPanning) setPanning = nullptr;

  Mix_Chunk* loadWav(const char* file) const {
    SDL_RWops* rw = SDL_RWFromFile(file, "rb");
    return rw ? loadWavRw(rw, 1) : nullptr;
  }
};

// The library's functions, or nothing when it cannot be loaded (said once on standard error).
const Mixer* mixer() {
  static const std::optional<Mixer> loaded = []() -> std::optional<Mixer> {
    void* library = ::dlopen("libSDL2_mixer-2.0.so.0", RTLD_NOW | RTLD_LOCAL);
    if (!library) {
      std::fprintf(stderr, "tavrik: no sound: %s\n", ::dlerror());
      return std::nullopt;
    }
    Mixer m;
    bool complete = true;
    auto find = [&](auto& function, const char* name) {
      function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(::dlsym(library, name));
      complete = complete && function;
    };
    find(m.openAudio, "Mix_OpenAudio");
    find(m.closeAudio, "Mix_CloseAudio");
    find(m.init, "Mix_Init");
    find(m.quit, "Mix_Quit");
    find(m.setSoundFonts, "Mix_SetSoundFonts");
    find(m.allocateChannels, "Mix_AllocateChannels");
    find(m.loadWavRw, "Mix_LoadWAV_RW");
    find(m.freeChunk, "Mix_FreeChunk");
    find(m.playChannelTimed, "Mix_PlayChannelTimed");
    find(m.haltChannel, "Mix_HaltChannel");
    find(m.volume, "Mix_Volume");
    find(m.setPanning, "Mix_SetPanning");
    if (!complete) {
      std::fprintf(stderr, "tavrik: no sound: the SDL_mixer library lacks functions the player uses\n");
      return std::nullopt;
    }
    return m;
  }();
  return loaded ? &*loaded : nullptr;
}

// One thread doing jobs in the order they were posted.
class JobThread {
 public:
  JobThread()
      : thread_([this] {
          run();
          // SDL keeps per-thread data (its error message) that it frees itself only for its own threads.
          SDL_TLSCleanup();
        }) {}
  ~JobThread() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stopping_ = true;
      jobs_.clear();
    }
    wake_.notify_all();
    thread_.join();
  }
  void post(std::function<void()> job) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      jobs_.push_back(std::move(job));
    }
    wake_.notify_all();
  }

 private:
  void run() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
      wake_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
      if (stopping_) return;
      std::function<void()> job = std::move(jobs_.front());
      jobs_.pop_front();
      lock.unlock();
      job();
      lock.lock();
    }
  }

  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<std::function<void()>> jobs_;
  bool stopping_ = false;
  std::thread thread_;  // last: it starts once the rest is built
};

// A sound decoded on the output's thread. Of the thread finishing it and the player giving it up,
// whoever comes second frees the chunk.
struct PendingSound {
  std::mutex mutex;
  bool done = false;
  bool abandoned = false;
  Mix_Chunk* chunk = nullptr;
};

void finishPending(PendingSound& pending, Mix_Chunk* chunk) {
  std::lock_guard<std::mutex> lock(pending.mutex);
  if (pending.abandoned) {
    if (chunk) mixer()->freeChunk(chunk);
    return;
  }
  pending.chunk = chunk;
  pending.done = true;
}

void abandonPending(PendingSound& pending) {
  std::lock_guard<std::mutex> lock(pending.mutex);
  if (pending.done && pending.chunk) mixer()->freeChunk(pending.chunk);
  pending.chunk = nullptr;
  pending.abandoned = true;
}

// Opens SDL's audio and the mixer. Headless runs go straight to the silent output unless a driver is
// asked for; fallBack lets a run whose device cannot be opened have the silent output instead. False,
// with SDL's audio shut again, when there is no output.
bool openDevice(bool headless, bool fallBack) {
  if (!mixer()) return false;
  const char* asked = std::getenv("SDL_AUDIODRIVER");
  const bool driverAsked = asked && *asked;
  // A real device gets a short buffer (23 ms) for prompt sound; the silent output, which nobody hears, a
  // long one, so its thread wakes ten times a second instead of forty.
  auto tryOpen = [] {
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
    const char* driver = SDL_GetCurrentAudioDriver();
    const bool silent = driver && SDL_strcmp(driver, "dummy") == 0;
    return mixer()->openAudio(44100, AUDIO_S16SYS, 2, silent ? 4096 : 1024) == 0;
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
  mixer()->init(MIX_INIT_OGG | MIX_INIT_MID);
  std::error_code ec;
  if (!std::getenv("SDL_SOUNDFONTS") && std::filesystem::exists(kSoundFont, ec))
    mixer()->setSoundFonts(kSoundFont);
  mixer()->allocateChannels(0);
  return true;
}

}  // namespace

class MixerChannelPlayer;

struct AudioOutput::Core {
  enum State { Opening, Ready, Failed };

  bool background = false;
  // Written by the output's thread, read by the playing one.
  std::atomic<int> state{Opening};
  // The playing thread's own.
  bool live = false;    // the mixer may be called: the device is open and the players have heard so
  bool closed = false;  // the output is gone; players only free what they hold
  int channels = 0;
  std::vector<MixerChannelPlayer*> players;
  std::unique_ptr<JobThread> thread;

  // The device may still open: what players are told meanwhile waits for it.
  bool opening() const { return background && !live && !closed && state.load() != Failed; }
};

class MixerChannelPlayer : public AudioChannelPlayer {
 public:
  MixerChannelPlayer(std::shared_ptr<AudioOutput::Core> core, int channel, bool positional,
                     int performanceChannels)
      : core_(std::move(core)),
        channel_(channel),
        positional_(positional),
        performanceChannels_(performanceChannels) {
    core_->players.push_back(this);
  }

  ~MixerChannelPlayer() override {
    if (core_->live) mixer()->haltChannel(channel_);
    dropPending();
    // Freeing needs no open device: a player that outlives the output still gives its sound back.
    if (chunk_) mixer()->freeChunk(chunk_);
    std::erase(core_->players, this);
  }

  void load(std::string_view scriptPath) override {
    // The old sound stops and is freed; the new one waits for play.
    wantedPlay_.reset();
    dropPending();
    if (core_->live) mixer()->haltChannel(channel_);
    if (chunk_) {
      mixer()->freeChunk(chunk_);
      chunk_ = nullptr;
    }
    if (!core_->live && !core_->opening()) return;
    const std::optional<std::filesystem::path> native = paths::resolve(scriptPath);
    if (!native) return;
    std::error_code ec;
    if (!std::filesystem::is_regular_file(*native, ec) ||
        std::filesystem::file_size(*native, ec) > kMaxSoundFileSize)
      return;
    if (!core_->background) {
      chunk_ = mixer()->loadWav(native->c_str());
      return;
    }
    // Decoding (a MIDI tune is rendered whole) can take longer than many frames: the output's thread
    // does it, after opening the device. Without a device the mixer refuses and the channel stays empty.
    pending_ = std::make_shared<PendingSound>();
    core_->thread->post([pending = pending_, file = native->string()] {
      finishPending(*pending, mixer()->loadWav(file.c_str()));
    });
  }

  void play(std::uint32_t repeats) override {
    if (pending_ || core_->opening()) {
      wantedPlay_ = repeats;
      return;
    }
    if (!core_->live || !chunk_) return;
    const int loops =
        repeats == 0xFFFFFFFFu ? -1 : static_cast<int>(std::min<std::uint32_t>(repeats, 0x7FFFFFFF));
    mixer()->playChannelTimed(channel_, chunk_, loops, -1);
  }

  void stop() override {
    wantedPlay_.reset();
    if (core_->live) mixer()->haltChannel(channel_);
  }

  void setVolumeLevel(std::int32_t level) override {
    level_ = level;
    applyVolume();
  }

  void setPosition(float x, float y, float z) override {
    if (!positional_) return;
    float left = 1, right = 1;
    AudioOutput::positionalGains(x, y, z, left, right);
    panLeft_ = static_cast<Uint8>(std::lround(left * 255));
    panRight_ = static_cast<Uint8>(std::lround(right * 255));
    applyPanning();
  }

  // The device is open: what was asked meanwhile takes effect, and a decoded sound is taken.
  void catchUp() {
    applyVolume();
    applyPanning();
    if (!pending_) return;
    {
      std::lock_guard<std::mutex> lock(pending_->mutex);
      if (!pending_->done) return;
      chunk_ = pending_->chunk;
      pending_->chunk = nullptr;
    }
    pending_.reset();
    if (wantedPlay_) {
      const std::uint32_t repeats = *wantedPlay_;
      wantedPlay_.reset();
      play(repeats);
    }
  }

 private:
  void dropPending() {
    if (!pending_) return;
    abandonPending(*pending_);
    pending_.reset();
  }

  void applyVolume() {
    if (!core_->live || level_ == appliedLevel_) return;
    appliedLevel_ = level_;
    // Back from hundredths of a decibel to a linear gain; -9600 is silence.
    const double gain = level_ <= -9600 ? 0.0 : std::pow(10.0, level_ / 2000.0);
    mixer()->volume(channel_, static_cast<int>(std::lround(gain * MIX_MAX_VOLUME)));
  }

  void applyPanning() {
    if (!core_->live || (panLeft_ == appliedLeft_ && panRight_ == appliedRight_)) return;
    appliedLeft_ = panLeft_;
    appliedRight_ = panRight_;
    mixer()->setPanning(channel_, panLeft_, panRight_);
  }

  std::shared_ptr<AudioOutput::Core> core_;
  int channel_;
  bool positional_;
  int performanceChannels_;  // what the script declared; the mixer has no use for it
  Mix_Chunk* chunk_ = nullptr;
  std::shared_ptr<PendingSound> pending_;
  std::optional<std::uint32_t> wantedPlay_;
  // Asked for, and last given to the mixer (a new channel is at full volume, centred).
  std::int32_t level_ = 0, appliedLevel_ = 0;
  Uint8 panLeft_ = 255, panRight_ = 255, appliedLeft_ = 255, appliedRight_ = 255;
};

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
    if (!openDevice(headless, true)) return nullptr;
    core->state = Core::Ready;
    core->live = true;
  } else {
    core->background = true;
    core->thread = std::make_unique<JobThread>();
    core->thread->post([core = core.get(), headless] {
      core->state = openDevice(headless, false) ? Core::Ready : Core::Failed;
    });
  }
  return std::unique_ptr<AudioOutput>(new AudioOutput(std::move(core)));
}

AudioOutput::~AudioOutput() {
  // A sound being decoded is finished first; nothing else waiting is started.
  core_->thread.reset();
  core_->live = false;
  core_->closed = true;
  if (core_->state.load() != Core::Ready) return;
  mixer()->haltChannel(-1);
  mixer()->closeAudio();
  mixer()->quit();
  SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

std::unique_ptr<AudioChannelPlayer> AudioOutput::createPlayer(bool positional, int performanceChannels) {
  const int channel = core_->channels++;
  if (core_->live) mixer()->allocateChannels(core_->channels);
  return std::make_unique<MixerChannelPlayer>(core_, channel, positional, performanceChannels);
}

void AudioOutput::poll() {
  Core& core = *core_;
  if (!core.background || core.closed) return;
  if (!core.live) {
    if (core.state.load() != Core::Ready) return;
    mixer()->allocateChannels(core.channels);
    core.live = true;
  }
  for (MixerChannelPlayer* player : core.players) player->catchUp();
}

}  // namespace tavrik
