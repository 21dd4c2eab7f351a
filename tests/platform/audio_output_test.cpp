// The mixer's real output, recorded frame by frame as a headless run records it: what a player would
// hear, measured in the game's frames rather than in time. The output a window uses, which opens on a
// thread of its own, is captured with SDL's disk driver.
#include "platform/audio_output.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "platform/sound_files.h"
#include "support/test_support.h"

namespace tavrik {
namespace {

// A 16-bit stereo WAV of a constant level (easy to find in the mix) lasting frames samples.
std::string constantWav(int frames, std::int16_t level) {
  std::string data;
  for (int i = 0; i < frames * 2; ++i) {
    data += static_cast<char>(level & 0xFF);
    data += static_cast<char>((level >> 8) & 0xFF);
  }
  auto le32 = [](std::uint32_t v) {
    return std::string{static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
                       static_cast<char>(v >> 24)};
  };
  auto le16 = [](std::uint16_t v) { return std::string{static_cast<char>(v), static_cast<char>(v >> 8)}; };
  return "RIFF" + le32(36 + static_cast<std::uint32_t>(data.size())) + "WAVEfmt " + le32(16) + le16(1) +
         le16(2) + le32(44100) + le32(44100 * 4) + le16(4) + le16(16) + "data" +
         le32(static_cast<std::uint32_t>(data.size())) + data;
}

struct Frame {
  int left, right;
};

class AudioTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", (dir.path() / "out.raw").c_str(), 1);
    std::string error;
    output = AudioOutput::record(dir.path() / "out.wav", &error);
    ASSERT_TRUE(output) << error;
  }
  // The output a window uses: it opens on its own thread (the player's, once the first frame is up).
  void reopenInBackground(AudioOutput::Opening opening = AudioOutput::Opening::InBackground) {
    output.reset();
    recording = false;
    output = AudioOutput::open(false, opening);
    ASSERT_TRUE(output);
  }
  void TearDown() override {
    unsetenv("SDL_AUDIODRIVER");
    unsetenv("SDL_DISKAUDIOFILE");
  }
  // Lets the mixer play that many of the game's frames (1/60 s, 735 sample frames each) into the capture,
  // however long the machine takes to get there.
  void playFrames(int gameFrames) {
    if (recording) {
      framesRecorded += gameFrames;
      output->recordFrames(framesRecorded);
      return;
    }
    const std::uintmax_t target = captured() + static_cast<std::uintmax_t>(gameFrames) * 735 * 4;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (captured() < target && std::chrono::steady_clock::now() < deadline) {
      // Once a frame, as the game does: a window's output catches up with its own thread here.
      output->poll();
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_GE(captured(), target) << "the mixer stopped playing";
  }
  std::uintmax_t captured() const {
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(dir.path() / "out.raw", ec);
    return ec ? 0 : size;
  }
  std::string file(const std::string& name, const std::string& bytes) {
    return test::scriptPath(dir.write(name, bytes));
  }
  // Closes the output and reads what it played.
  std::vector<Frame> played() {
    if (recording) output->finishRecording();
    output.reset();
    const std::string raw = recording ? test::readBytes(dir.path() / "out.wav").substr(44)
                                      : test::readBytes(dir.path() / "out.raw");
    std::vector<Frame> frames;
    for (std::size_t i = 0; i + 3 < raw.size(); i += 4) {
      auto sample = [&](std::size_t at) {
        return static_cast<int>(static_cast<std::int16_t>(static_cast<unsigned char>(raw[at]) |
                                                          (static_cast<unsigned char>(raw[at + 1]) << 8)));
      };
      frames.push_back({sample(i), sample(i + 2)});
    }
    return frames;
  }
  static int soundingFrames(const std::vector<Frame>& frames) {
    return static_cast<int>(std::count_if(frames.begin(), frames.end(),
                                          [](const Frame& f) { return f.left != 0 || f.right != 0; }));
  }
  test::TempDir dir;
  std::unique_ptr<AudioOutput> output;
  bool recording = true;
  std::int64_t framesRecorded = 0;
};

TEST_F(AudioTest, RepeatCountZeroPlaysOnceAndAllOnesLoopsUntilStopped) {
  const std::string tone = file("tone.wav", constantWav(2205, 8000));  // 50 ms
  std::unique_ptr<AudioChannelPlayer> once = output->createPlayer(false, 64);
  once->load(tone);
  once->play(0);
  playFrames(18);
  const int onceFrames = soundingFrames(played());
  EXPECT_GE(onceFrames, 2000);
  EXPECT_LE(onceFrames, 2400);
}

TEST_F(AudioTest, AnEndlessRepeatLoopsUntilStopped) {
  const std::string tone = file("tone.wav", constantWav(2205, 8000));
  std::unique_ptr<AudioChannelPlayer> loop = output->createPlayer(false, 64);
  loop->load(tone);
  loop->play(0xFFFFFFFFu);
  playFrames(18);
  loop->stop();
  playFrames(9);
  const std::vector<Frame> frames = played();
  const int sounding = soundingFrames(frames);
  EXPECT_GT(sounding, 4 * 2205) << "it looped";
  EXPECT_LT(sounding, static_cast<int>(frames.size()) - 2000) << "and stopped";
}

TEST_F(AudioTest, HalfVolumeIsHalfAmplitudeAndTheLowestLevelIsSilence) {
  const std::string tone = file("tone.wav", constantWav(4410, 8000));
  std::unique_ptr<AudioChannelPlayer> full = output->createPlayer(false, 64);
  std::unique_ptr<AudioChannelPlayer> half = output->createPlayer(false, 64);
  std::unique_ptr<AudioChannelPlayer> silent = output->createPlayer(false, 64);
  full->load(tone);
  half->load(tone);
  silent->load(tone);
  half->setVolumeLevel(-602);
  silent->setVolumeLevel(-9600);
  silent->play(0);
  playFrames(9);
  half->play(0);
  playFrames(12);
  full->play(0);
  playFrames(12);
  const std::vector<Frame> frames = played();
  // The first 100 ms hold only the silent channel.
  ASSERT_GT(frames.size(), 4410u);
  EXPECT_EQ(soundingFrames(std::vector<Frame>(frames.begin(), frames.begin() + 4410)), 0);
  int peak = 0, halfLevel = 0;
  for (const Frame& f : frames) {
    peak = std::max(peak, f.left);
    if (f.left > 0 && f.left < 6000) halfLevel = f.left;
  }
  EXPECT_NEAR(peak, 8000, 100);
  EXPECT_NEAR(halfLevel, 4000, 100);
}

TEST_F(AudioTest, ThePlayersVolumeScalesMusicAndEffectsApartOverTheChannelsOwn) {
  const std::string tone = file("tone.wav", constantWav(44100, 8000));
  std::unique_ptr<AudioChannelPlayer> music = output->createPlayer(false, 64);
  std::unique_ptr<AudioChannelPlayer> effect = output->createPlayer(true, 1);
  music->load(tone);
  effect->load(tone);
  music->setVolumeLevel(-602);  // the script's half
  output->setPlayerGains(0.5f, 0.0f);
  music->play(0);
  effect->play(0);
  playFrames(12);
  output->setPlayerGains(1.0f, 0.25f);
  playFrames(12);
  const std::vector<Frame> frames = played();
  ASSERT_EQ(frames.size(), 2 * 8820u);
  // The middle of each part tells.
  EXPECT_NEAR(frames[4410].left, 2000, 60) << "music at a half of a half, effects muted";
  EXPECT_NEAR(frames[8820 + 4410].left, 4000 + 2000, 120) << "music at its own half, effects at a quarter";
}

TEST_F(AudioTest, ASoundFarToTheLeftIsHeardOnTheLeftAndMusicIgnoresPositions) {
  const std::string tone = file("tone.wav", constantWav(4410, 8000));
  std::unique_ptr<AudioChannelPlayer> effect = output->createPlayer(true, 1);
  effect->load(tone);
  effect->setPosition(-10, 0, 0);
  effect->play(0);
  playFrames(15);
  std::vector<Frame> frames = played();
  int left = 0, right = 0;
  for (const Frame& f : frames) {
    left = std::max(left, std::abs(f.left));
    right = std::max(right, std::abs(f.right));
  }
  EXPECT_GT(left, 500);
  EXPECT_NEAR(left, 800, 60) << "a tenth of the level at ten units";
  EXPECT_EQ(right, 0);

  float l = 0, r = 0;
  AudioOutput::positionalGains(0.5f, 0, 0, l, r);
  EXPECT_FLOAT_EQ(r, 1.0f);
  EXPECT_FLOAT_EQ(l, 0.0f) << "balance follows the direction even close by";
  AudioOutput::positionalGains(0, 0, 0, l, r);
  EXPECT_FLOAT_EQ(l, 1.0f);
  EXPECT_FLOAT_EQ(r, 1.0f);
  AudioOutput::positionalGains(0, 0, 4, l, r);
  EXPECT_FLOAT_EQ(l, 0.25f);
}

TEST_F(AudioTest, StoppingOneChannelLeavesAnotherPlayingAndLoadingStopsTheOldSound) {
  std::unique_ptr<AudioChannelPlayer> a = output->createPlayer(false, 64);
  std::unique_ptr<AudioChannelPlayer> b = output->createPlayer(false, 64);
  std::unique_ptr<AudioChannelPlayer> c = output->createPlayer(false, 64);
  a->load(file("a.wav", constantWav(441, 3000)));
  b->load(file("b.wav", constantWav(441, 5000)));
  c->load(file("c.wav", constantWav(441, 700)));
  a->play(0xFFFFFFFFu);
  b->play(0xFFFFFFFFu);
  c->play(0xFFFFFFFFu);
  playFrames(9);
  a->stop();
  c->load(file("d.wav", constantWav(441, 20000)));  // stops c; d waits for play
  playFrames(12);
  const std::vector<Frame> frames = played();
  ASSERT_GT(frames.size(), 1000u);
  bool allThree = false;
  for (const Frame& f : frames) allThree |= f.left == 8700;
  EXPECT_TRUE(allThree);
  // The end of the capture: only b.
  int tail = 0;
  for (std::size_t i = frames.size() - 1000; i < frames.size(); ++i) tail = std::max(tail, frames[i].left);
  EXPECT_EQ(tail, 5000);
}

TEST_F(AudioTest, MissingOrUndecodableFilesLeaveTheChannelEmpty) {
  std::unique_ptr<AudioChannelPlayer> p = output->createPlayer(false, 64);
  p->load(file("tone.wav", constantWav(4410, 8000)));
  p->load(file("broken.wav", "RIFF nonsense"));
  p->play(0);
  p->load(test::scriptPath(dir.path() / "missing.ogg"));
  p->play(0);
  p->load("/dev/zero");
  p->play(0);
  playFrames(6);
  EXPECT_EQ(soundingFrames(played()), 0);
  // A player that outlives the output does nothing, and does not crash.
  p->load(file("tone.wav", constantWav(10, 1)));
  p->play(0);
  p->setVolumeLevel(-100);
}

TEST_F(AudioTest, ASoundThatFailedToOpenIsTriedAgainOnceTheFileChanges) {
  std::unique_ptr<AudioChannelPlayer> p = output->createPlayer(false, 64);
  const std::string name = file("later.wav", "RIFF nonsense");
  for (int i = 0; i < 3; ++i) p->load(name);
  p->play(0);
  playFrames(2);
  // Mended: another size, another time.
  dir.write("later.wav", constantWav(4410, 8000));
  std::filesystem::last_write_time(dir.path() / "later.wav",
                                   std::filesystem::file_time_type::clock::now() + std::chrono::seconds(2));
  p->load(name);
  p->play(0);
  playFrames(6);
  EXPECT_GT(soundingFrames(played()), 0);
}

TEST_F(AudioTest, UnreadableSoundsAndATuneOfNoLengthPlaySilenceEvenLoopedForever) {
  std::unique_ptr<AudioChannelPlayer> four = output->createPlayer(false, 64);
  std::unique_ptr<AudioChannelPlayer> empty = output->createPlayer(false, 64);
  std::unique_ptr<AudioChannelPlayer> noData = output->createPlayer(true, 1);
  four->load(file("four.mid", "MThd"));
  empty->load(file("empty.mid", test::midiFile(1, 96, {})));
  noData->load(file("nodata.wav", test::wavHeader(2, 44100, 0xFFFFFF00u)));
  for (AudioChannelPlayer* p : {four.get(), empty.get(), noData.get()}) p->play(0xFFFFFFFFu);
  playFrames(12);  // the sound thread goes on: a sound of no length is not repeated forever in a block
  EXPECT_EQ(soundingFrames(played()), 0);
}

TEST_F(AudioTest, ATuneIsHeardAndOneLastingCenturiesJustPlays) {
  std::unique_ptr<AudioChannelPlayer> tune = output->createPlayer(false, 64);
  std::unique_ptr<AudioChannelPlayer> slowest = output->createPlayer(false, 64);
  tune->load(file("tune.mid", test::midiTune(1)));
  slowest->load(file("slowest.mid", test::slowestMidi()));
  tune->play(0xFFFFFFFFu);
  slowest->play(0);
  playFrames(90);  // a second and a half: the one-second tune starts again
  const std::vector<Frame> frames = played();
  EXPECT_GT(soundingFrames(frames), 44100);
  int late = 0;
  for (std::size_t i = 50000; i < frames.size(); ++i) late = std::max(late, std::abs(frames[i].left));
  EXPECT_GT(late, 100) << "still sounding after the first round";
}

TEST_F(AudioTest, InTheBackgroundWhatPlayersAreToldBeforeTheDeviceOpensHappensOnceItIs) {
  reopenInBackground(AudioOutput::Opening::AfterFirstFrame);
  const std::string tone = file("tone.wav", constantWav(4410, 8000));
  std::unique_ptr<AudioChannelPlayer> music = output->createPlayer(false, 64);
  std::unique_ptr<AudioChannelPlayer> effect = output->createPlayer(true, 1);
  std::unique_ptr<AudioChannelPlayer> stopped = output->createPlayer(false, 64);
  music->load(file("first.wav", constantWav(4410, 20000)));
  music->load(tone);  // replaces the first before either is decoded
  music->setVolumeLevel(-602);
  music->play(0xFFFFFFFFu);
  effect->load(tone);
  effect->setPosition(-10, 0, 0);
  effect->play(0);
  stopped->load(tone);
  stopped->play(0);
  stopped->stop();
  output->poll();
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "out.raw")) << "no device before the first frame";
  // The device opens and the sounds are decoded meanwhile; the players catch up in a frame's poll.
  output->startOpening();
  playFrames(30);
  const std::vector<Frame> frames = played();
  int left = 0, right = 0;
  for (const Frame& f : frames) {
    left = std::max(left, f.left);
    right = std::max(right, f.right);
  }
  // Half-volume music (4000) plus the effect, a tenth of the level and all on the left (800).
  EXPECT_NEAR(left, 4800, 100);
  EXPECT_NEAR(right, 4000, 100);
}

TEST_F(AudioTest, InTheBackgroundAnOutputCanGoWhileASoundIsDecodedOrWithoutEverOpening) {
  reopenInBackground();
  std::unique_ptr<AudioChannelPlayer> p = output->createPlayer(false, 64);
  p->load(file("long.wav", constantWav(441000, 100)));
  p->play(0);
  output.reset();  // the decode is finished and its sound freed by whoever comes second
  p->load(file("tone.wav", constantWav(10, 1)));
  p->play(0);
  p.reset();
  // Waiting for the first frame, it goes without opening.
  output.reset();
  std::filesystem::remove(dir.path() / "out.raw");
  reopenInBackground(AudioOutput::Opening::AfterFirstFrame);
  output->createPlayer(false, 64)->load(file("tone.wav", constantWav(10, 1)));
  output.reset();
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "out.raw"));

  // No device to be had: the output is there, silent, and its players do nothing.
  setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
  reopenInBackground();
  std::unique_ptr<AudioChannelPlayer> silent = output->createPlayer(true, 1);
  silent->load(file("tone.wav", constantWav(10, 1)));
  silent->play(0);
  silent->setPosition(1, 2, 3);
  for (int frame = 0; frame < 10; ++frame) {
    output->poll();
    std::this_thread::sleep_for(std::chrono::milliseconds(16));
  }
  silent->play(0);
  silent->stop();
  output.reset();
  EXPECT_EQ(SDL_GetCurrentAudioDriver(), nullptr) << "no audio was ever opened";
}

}  // namespace
}  // namespace tavrik
