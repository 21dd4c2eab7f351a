#include "platform/sound_stream.h"

#include <SDL.h>
#if !defined(__EMSCRIPTEN__)
#include <fluidsynth.h>
#endif
#include <sndfile.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "platform/midi_song.h"
#include "platform/shared_library.h"
#if defined(__EMSCRIPTEN__)
#include "platform/web/web_midi.h"
#endif

namespace tavrik {

namespace {

#if !defined(__EMSCRIPTEN__)
constexpr const char* kSoundFont = "/usr/share/sounds/sf2/TimGM6mb.sf2";
#endif
// Frames decoded at a time.
constexpr std::size_t kChunkFrames = 1024;
// Sampled files with more channels than this are not played (the first two of any are heard).
constexpr int kMaxChannels = 64;

// The decoding libraries are loaded at the first sound of their kind (see shared_library.h); a library
// that cannot be had is told once on standard error, and its sounds stay silent.
template <class Table>
std::optional<Table> loadSoundLibrary(const char* soname, Table table, auto&& findAll) {
  std::string why;
  std::optional<Table> loaded = loadLibrary(soname, table, findAll, &why);
  if (!loaded) std::fprintf(stderr, "tavrik: %s\n", why.c_str());
  return loaded;
}

struct Sndfile {
  decltype(&sf_open_virtual) openVirtual = nullptr;
  decltype(&sf_readf_float) readFloat = nullptr;
  decltype(&sf_seek) seek = nullptr;
  decltype(&sf_close) close = nullptr;
};

const Sndfile* sndfile() {
  static const std::optional<Sndfile> loaded =
      loadSoundLibrary("libsndfile.so.1", Sndfile{}, [](Sndfile& t, auto& find) {
        find(t.openVirtual, "sf_open_virtual");
        find(t.readFloat, "sf_readf_float");
        find(t.seek, "sf_seek");
        find(t.close, "sf_close");
      });
  return loaded ? &*loaded : nullptr;
}

#if !defined(__EMSCRIPTEN__)
// A block of a tune plays at most this many events; the rest wait for the next block, so that a file
// of events all at one moment cannot stall the sound thread.
constexpr int kMaxEventsPerRead = 4096;

struct Fluid {
  decltype(&new_fluid_settings) newSettings = nullptr;
  decltype(&delete_fluid_settings) deleteSettings = nullptr;
  decltype(&fluid_settings_setint) setInt = nullptr;
  decltype(&fluid_settings_setnum) setNum = nullptr;
  decltype(&new_fluid_synth) newSynth = nullptr;
  decltype(&delete_fluid_synth) deleteSynth = nullptr;
  decltype(&fluid_synth_sfload) loadSoundFont = nullptr;
  decltype(&fluid_synth_write_float) writeFloat = nullptr;
  decltype(&fluid_synth_noteon) noteOn = nullptr;
  decltype(&fluid_synth_noteoff) noteOff = nullptr;
  decltype(&fluid_synth_key_pressure) keyPressure = nullptr;
  decltype(&fluid_synth_cc) controlChange = nullptr;
  decltype(&fluid_synth_program_change) programChange = nullptr;
  decltype(&fluid_synth_channel_pressure) channelPressure = nullptr;
  decltype(&fluid_synth_pitch_bend) pitchBend = nullptr;
  decltype(&fluid_synth_system_reset) systemReset = nullptr;
  decltype(&fluid_set_log_function) setLogFunction = nullptr;
};

const Fluid* fluid() {
  static const std::optional<Fluid> loaded = [] {
    std::optional<Fluid> f = loadSoundLibrary("libfluidsynth.so.3", Fluid{}, [](Fluid& t, auto& find) {
      find(t.newSettings, "new_fluid_settings");
      find(t.deleteSettings, "delete_fluid_settings");
      find(t.setInt, "fluid_settings_setint");
      find(t.setNum, "fluid_settings_setnum");
      find(t.newSynth, "new_fluid_synth");
      find(t.deleteSynth, "delete_fluid_synth");
      find(t.loadSoundFont, "fluid_synth_sfload");
      find(t.writeFloat, "fluid_synth_write_float");
      find(t.noteOn, "fluid_synth_noteon");
      find(t.noteOff, "fluid_synth_noteoff");
      find(t.keyPressure, "fluid_synth_key_pressure");
      find(t.controlChange, "fluid_synth_cc");
      find(t.programChange, "fluid_synth_program_change");
      find(t.channelPressure, "fluid_synth_channel_pressure");
      find(t.pitchBend, "fluid_synth_pitch_bend");
      find(t.systemReset, "fluid_synth_system_reset");
      find(t.setLogFunction, "fluid_set_log_function");
    });
    // A game's damaged tune is no news for its player: the synthesiser keeps quiet.
    if (f)
      for (int level : {FLUID_PANIC, FLUID_ERR, FLUID_WARN, FLUID_INFO, FLUID_DBG})
        f->setLogFunction(level, nullptr, nullptr);
    return f;
  }();
  return loaded ? &*loaded : nullptr;
}

// The sound font MIDI tunes play with: the first of SDL_SOUNDFONTS (a list split by ';') when that is
// set, or the GM font the player depends on.
std::string soundFont() {
  if (const char* list = std::getenv("SDL_SOUNDFONTS"); list && *list) {
    std::string first(list);
    first.resize(first.find(';') == std::string::npos ? first.size() : first.find(';'));
    if (!first.empty()) return first;
  }
  return kSoundFont;
}

class MidiStream : public SoundStream {
 public:
  MidiStream(MidiSong song, fluid_settings_t* settings, fluid_synth_t* synth)
      : song_(std::move(song)), settings_(settings), synth_(synth) {}
  ~MidiStream() override {
    fluid()->deleteSynth(synth_);
    fluid()->deleteSettings(settings_);
  }

  std::size_t read(float* out, std::size_t frames) override {
    const Fluid& f = *fluid();
    std::size_t done = 0;
    int played = 0;
    while (done < frames && position_ < song_.endSample) {
      while (next_ < song_.events.size() && song_.events[next_].sample <= position_ &&
             played < kMaxEventsPerRead) {
        send(f, song_.events[next_++]);
        ++played;
      }
      std::uint64_t until = std::min<std::uint64_t>(position_ + (frames - done), song_.endSample);
      if (next_ < song_.events.size() && played < kMaxEventsPerRead)
        until = std::min<std::uint64_t>(until, song_.events[next_].sample);
      const int count = static_cast<int>(until - position_);
      float* at = out + 2 * done;
      f.writeFloat(synth_, count, at, 0, 2, at, 1, 2);
      position_ = static_cast<std::uint32_t>(until);
      done += static_cast<std::size_t>(count);
    }
    return done;
  }

  bool rewind() override {
    fluid()->systemReset(synth_);
    position_ = 0;
    next_ = 0;
    return true;
  }

  std::size_t bufferBytes() const override { return song_.events.capacity() * sizeof(MidiEvent); }

 private:
  void send(const Fluid& f, const MidiEvent& e) {
    const int channel = e.status & 0x0F;
    switch (e.status & 0xF0) {
      case 0x80:
        f.noteOff(synth_, channel, e.data1);
        break;
      case 0x90:
        f.noteOn(synth_, channel, e.data1, e.data2);  // velocity 0 is a note off
        break;
      case 0xA0:
        f.keyPressure(synth_, channel, e.data1, e.data2);
        break;
      case 0xB0:
        f.controlChange(synth_, channel, e.data1, e.data2);
        break;
      case 0xC0:
        f.programChange(synth_, channel, e.data1);
        break;
      case 0xD0:
        f.channelPressure(synth_, channel, e.data1);
        break;
      case 0xE0:
        f.pitchBend(synth_, channel, e.data1 | (e.data2 << 7));
        break;
    }
  }

  MidiSong song_;
  fluid_settings_t* settings_;
  fluid_synth_t* synth_;
  std::uint32_t position_ = 0;  // the next sample to render
  std::size_t next_ = 0;        // the next event to send
};

std::unique_ptr<SoundStream> openMidi(std::FILE* file) {
  std::vector<std::uint8_t> bytes(kMaxMidiFileSize + 1);
  bytes.resize(std::fread(bytes.data(), 1, bytes.size(), file));
  std::optional<MidiSong> song = readMidiSong(bytes, SoundStream::kRate);
  bytes = {};
  if (!song) return nullptr;
  const Fluid* f = fluid();
  if (!f) return nullptr;
  fluid_settings_t* settings = f->newSettings();
  if (!settings) return nullptr;
  f->setNum(settings, "synth.sample-rate", SoundStream::kRate);
  f->setNum(settings, "synth.gain", 0.4);
  f->setInt(settings, "synth.polyphony", 128);
  f->setInt(settings, "synth.cpu-cores", 1);
  f->setInt(settings, "synth.lock-memory", 0);
  f->setInt(settings, "synth.threadsafe-api", 0);
  fluid_synth_t* synth = f->newSynth(settings);
  // The synthesiser shares a font's samples with every other one that loaded the same file.
  if (!synth || f->loadSoundFont(synth, soundFont().c_str(), 1) == FLUID_FAILED) {
    if (synth) f->deleteSynth(synth);
    f->deleteSettings(settings);
    return nullptr;
  }
  return std::make_unique<MidiStream>(std::move(*song), settings, synth);
}

#endif

// libsndfile reads through these from a stdio file the stream owns.
sf_count_t fileLength(void* user) {
  std::FILE* f = static_cast<std::FILE*>(user);
  const off_t here = ::ftello(f);
  if (::fseeko(f, 0, SEEK_END) != 0) return -1;
  const off_t length = ::ftello(f);
  ::fseeko(f, here, SEEK_SET);
  return length;
}
sf_count_t fileSeek(sf_count_t offset, int whence, void* user) {
  std::FILE* f = static_cast<std::FILE*>(user);
  return ::fseeko(f, offset, whence) == 0 ? ::ftello(f) : -1;
}
sf_count_t fileRead(void* data, sf_count_t count, void* user) {
  return count <= 0 ? 0 : static_cast<sf_count_t>(std::fread(data, 1, count, static_cast<std::FILE*>(user)));
}
sf_count_t fileWrite(const void*, sf_count_t, void*) {
  return 0;
}
sf_count_t fileTell(void* user) {
  return ::ftello(static_cast<std::FILE*>(user));
}

class SampledStream : public SoundStream {
 public:
  // resampler: converts the file's rate to the output's, when they differ.
  SampledStream(std::FILE* file, SNDFILE* sound, int channels, int rate, SDL_AudioStream* resampler)
      : file_(file),
        sound_(sound),
        channels_(channels),
        rate_(static_cast<std::size_t>(rate)),
        decoded_(kChunkFrames * static_cast<std::size_t>(channels)),
        stereo_(resampler ? kChunkFrames * 2 : 0),
        resampler_(resampler) {}
  ~SampledStream() override {
    if (resampler_) SDL_FreeAudioStream(resampler_);
    sndfile()->close(sound_);
    std::fclose(file_);
  }
  std::size_t read(float* out, std::size_t frames) override {
    std::size_t done = 0;
    while (done < frames) {
      if (!resampler_) {
        const std::size_t got = decode(out + 2 * done, std::min(frames - done, kChunkFrames));
        if (got == 0) break;
        done += got;
        continue;
      }
      std::size_t ready =
          static_cast<std::size_t>(SDL_AudioStreamAvailable(resampler_)) / (2 * sizeof(float));
      // At the end, what the converter gives for the silence after the file is cut off.
      if (ended_) ready = std::min(ready, length_ - given_);
      if (ready > 0) {
        const std::size_t take = std::min(ready, frames - done);
        const int got =
            SDL_AudioStreamGet(resampler_, out + 2 * done, static_cast<int>(take * 2 * sizeof(float)));
        if (got <= 0) break;
        done += static_cast<std::size_t>(got) / (2 * sizeof(float));
        given_ += static_cast<std::size_t>(got) / (2 * sizeof(float));
        continue;
      }
      if (ended_) break;
      const std::size_t got = decode(stereo_.data(), kChunkFrames);
      if (got == 0) {
        // The converter holds back the last few hundred frames even when flushed: silence after the file
        // pushes them out, and the output stops at the file's length at the output's rate.
        ended_ = true;
        length_ = static_cast<std::size_t>((fed_ * kRate + rate_ / 2) / rate_);
        std::fill(stereo_.begin(), stereo_.end(), 0.0f);
        SDL_AudioStreamPut(resampler_, stereo_.data(), static_cast<int>(stereo_.size() * sizeof(float)));
        SDL_AudioStreamFlush(resampler_);
      } else if (SDL_AudioStreamPut(resampler_, stereo_.data(), static_cast<int>(got * 2 * sizeof(float))) !=
                 0) {
        break;
      } else {
        fed_ += got;
      }
    }
    return done;
  }

  bool rewind() override {
    if (resampler_) SDL_AudioStreamClear(resampler_);
    ended_ = false;
    fed_ = given_ = length_ = 0;
    return sndfile()->seek(sound_, 0, SEEK_SET) == 0;
  }

  std::size_t bufferBytes() const override {
    const std::size_t queued =
        resampler_ ? static_cast<std::size_t>(SDL_AudioStreamAvailable(resampler_)) : 0;
    return (decoded_.capacity() + stereo_.capacity()) * sizeof(float) + queued;
  }

 private:
  // Up to frames (at most a chunk) frames of the file, as stereo: mono is heard on both sides, and of
  // more channels the first two.
  std::size_t decode(float* out, std::size_t frames) {
    const sf_count_t got = sndfile()->readFloat(sound_, decoded_.data(), static_cast<sf_count_t>(frames));
    if (got <= 0) return 0;
    const std::size_t n = static_cast<std::size_t>(got);
    for (std::size_t i = 0; i < n; ++i) {
      const float* in = &decoded_[i * static_cast<std::size_t>(channels_)];
      out[2 * i] = in[0];
      out[2 * i + 1] = channels_ > 1 ? in[1] : in[0];
    }
    return n;
  }

  std::FILE* file_;
  SNDFILE* sound_;
  int channels_;
  std::size_t rate_;
  std::vector<float> decoded_;  // a chunk as the file has it
  std::vector<float> stereo_;   // a chunk as stereo, before it is resampled
  SDL_AudioStream* resampler_;
  bool ended_ = false;                            // the resampler has had the whole file
  std::size_t fed_ = 0, given_ = 0, length_ = 0;  // frames into the resampler, out of it, and at most out
};

std::unique_ptr<SoundStream> openSampled(std::FILE* file) {
  const Sndfile* s = sndfile();
  if (!s) return nullptr;
  SF_VIRTUAL_IO io{fileLength, fileSeek, fileRead, fileWrite, fileTell};
  SF_INFO info{};
  SNDFILE* sound = s->openVirtual(&io, SFM_READ, &info, file);
  if (!sound) return nullptr;
  if (info.channels < 1 || info.channels > kMaxChannels || info.samplerate < 1000 ||
      info.samplerate > 384000) {
    s->close(sound);
    return nullptr;
  }
  SDL_AudioStream* resampler = nullptr;
  if (info.samplerate != SoundStream::kRate) {
    resampler = SDL_NewAudioStream(AUDIO_F32SYS, 2, info.samplerate, AUDIO_F32SYS, 2, SoundStream::kRate);
    if (!resampler) {
      s->close(sound);
      return nullptr;
    }
  }
  return std::make_unique<SampledStream>(file, sound, info.channels, info.samplerate, resampler);
}

}  // namespace

std::unique_ptr<SoundStream> openSoundStream(const std::filesystem::path& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return nullptr;
  char magic[4] = {};
  const bool midi = std::fread(magic, 1, 4, file) == 4 && std::equal(magic, magic + 4, "MThd");
  std::rewind(file);
  if (midi) {
#if defined(__EMSCRIPTEN__)
    std::unique_ptr<SoundStream> stream = openPatchMidi(file);
#else
    std::unique_ptr<SoundStream> stream = openMidi(file);
#endif
    std::fclose(file);
    return stream;
  }
  std::unique_ptr<SoundStream> stream = openSampled(file);  // owns the file when it opens
  if (!stream) std::fclose(file);
  return stream;
}

}  // namespace tavrik
