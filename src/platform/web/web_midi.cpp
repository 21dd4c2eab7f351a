#include "platform/web/web_midi.h"

#include <SDL.h>
#include <timidity.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "base/messages.h"
#include "base/script_path.h"
#include "platform/midi_song.h"

namespace tavrik {

namespace {

// Frames the player renders at a time: it writes whole blocks only.
constexpr int kBlockFrames = 1024;

bool patchesReady() {
  static const bool ready = [] {
    const std::string config = (paths::moduleDirectoryNative() / "freepats" / "freepats.cfg").string();
    if (Timidity_Init(config.c_str()) == 0) return true;
    std::fprintf(stderr, "tavrik: %s\n", en(MessageId::MidiPatchesUnreadable, {SDL_GetError()}).c_str());
    return false;
  }();
  return ready;
}

class PatchMidiStream : public SoundStream {
 public:
  explicit PatchMidiStream(::MidiSong* song) : song_(song), block_(2 * kBlockFrames) {
    Timidity_Start(song_);
  }
  ~PatchMidiStream() override { Timidity_FreeSong(song_); }

  std::size_t read(float* out, std::size_t frames) override {
    std::size_t done = 0;
    while (done < frames) {
      if (at_ == filled_) {
        if (ended_) break;
        const int bytes = Timidity_PlaySome(song_, block_.data(), kBlockFrames * 2 * sizeof(float));
        const int got = bytes / static_cast<int>(2 * sizeof(float));
        at_ = 0;
        if (got < kBlockFrames) {
          // The end of the tune: the player has not written its last, partial block.
          ended_ = true;
          std::fill(block_.begin(), block_.begin() + 2 * got, 0.0f);
        }
        filled_ = static_cast<std::size_t>(got);
        if (filled_ == 0) break;
      }
      const std::size_t take = std::min(frames - done, filled_ - at_);
      std::memcpy(out + 2 * done, block_.data() + 2 * at_, take * 2 * sizeof(float));
      at_ += take;
      done += take;
    }
    return done;
  }

  bool rewind() override {
    Timidity_Start(song_);
    at_ = filled_ = 0;
    ended_ = false;
    return true;
  }

  std::size_t bufferBytes() const override { return block_.capacity() * sizeof(float); }

 private:
  ::MidiSong* song_;
  std::vector<float> block_;
  std::size_t at_ = 0, filled_ = 0;
  bool ended_ = false;
};

}  // namespace

std::unique_ptr<SoundStream> openPatchMidi(std::FILE* file) {
  std::vector<std::uint8_t> bytes(kMaxMidiFileSize + 1);
  bytes.resize(std::fread(bytes.data(), 1, bytes.size(), file));
  // The same checks as the desktop's: a file it refuses is refused here too. The player reads the
  // file whole as it loads the song.
  if (!readMidiSong(bytes, SoundStream::kRate) || !patchesReady()) return nullptr;
  SDL_RWops* rw = SDL_RWFromConstMem(bytes.data(), static_cast<int>(bytes.size()));
  if (!rw) return nullptr;
  SDL_AudioSpec audio{};
  audio.freq = SoundStream::kRate;
  audio.format = AUDIO_F32SYS;
  audio.channels = 2;
  audio.samples = kBlockFrames;
  ::MidiSong* song = Timidity_LoadSong(rw, &audio);
  SDL_RWclose(rw);
  if (!song) return nullptr;
  return std::make_unique<PatchMidiStream>(song);
}

}  // namespace tavrik
