// Sound files decoded as they play: what a stream gives, what it keeps, and what damaged files cost.
#include "platform/sound_stream.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>

#include "platform/sound_files.h"
#include "support/test_support.h"

namespace tavrik {
namespace {

constexpr std::size_t kEightMegabytes = 8u * 1024 * 1024;

struct Played {
  std::size_t frames = 0;
  float peak = 0;
  bool leftEqualsRight = true;
};

// Reads up to seconds of the stream, a device block at a time, checking its buffer after every block.
Played readSeconds(SoundStream& stream, double seconds) {
  Played p;
  std::vector<float> block(2 * 1024);
  const auto limit = static_cast<std::size_t>(seconds * SoundStream::kRate);
  while (p.frames < limit) {
    const std::size_t got = stream.read(block.data(), std::min<std::size_t>(1024, limit - p.frames));
    for (std::size_t i = 0; i < got; ++i) {
      p.peak = std::max({p.peak, std::abs(block[2 * i]), std::abs(block[2 * i + 1])});
      p.leftEqualsRight = p.leftEqualsRight && block[2 * i] == block[2 * i + 1];
    }
    p.frames += got;
    EXPECT_LE(stream.bufferBytes(), kEightMegabytes);
    if (got == 0) break;
  }
  return p;
}

class SoundStreamTest : public ::testing::Test {
 protected:
  std::unique_ptr<SoundStream> open(const std::string& name, const std::string& bytes) {
    return openSoundStream(dir.write(name, bytes));
  }
  test::TempDir dir;
};

TEST_F(SoundStreamTest, TenMinutesOfOggOrMidiPlayFromASmallBuffer) {
  const std::filesystem::path ogg = dir.path() / "long.ogg";
  if (!test::soxOgg(ogg, 600, 8000, 1)) GTEST_SKIP() << "sox cannot write OGG files here";
  std::unique_ptr<SoundStream> stream = openSoundStream(ogg);
  ASSERT_TRUE(stream);
  Played p = readSeconds(*stream, 5);
  EXPECT_EQ(p.frames, 5u * 44100) << "decoded at 8 kHz, given at 44.1 kHz";
  EXPECT_NEAR(p.peak, 0.3, 0.05);
  EXPECT_TRUE(p.leftEqualsRight) << "mono on both sides";
  EXPECT_LT(stream->bufferBytes(), 256u * 1024);

  stream = open("long.mid", test::midiTune(600));
  ASSERT_TRUE(stream);
  p = readSeconds(*stream, 5);
  EXPECT_EQ(p.frames, 5u * 44100);
  EXPECT_GT(p.peak, 0.01) << "the sound font plays the notes";
  EXPECT_LT(stream->bufferBytes(), 256u * 1024);
}

TEST_F(SoundStreamTest, OtherRatesBecomeTheOutputRateAndRewindingPlaysTheSameAgain) {
  // A second of 22.05 kHz mono.
  std::unique_ptr<SoundStream> stream =
      open("mono.wav", test::wavHeader(1, 22050, 22050 * 2) + test::constantSamples(22050, 1, 16384));
  ASSERT_TRUE(stream);
  std::vector<float> middle(2 * 100);
  ASSERT_EQ(readSeconds(*stream, 0.5).frames, 22050u);
  ASSERT_EQ(stream->read(middle.data(), 100), 100u);
  EXPECT_NEAR(middle[0], 0.5, 0.001);
  Played first = readSeconds(*stream, 10);
  EXPECT_EQ(first.frames, 44100u - 22150u) << "as long as the file, to the frame";
  EXPECT_TRUE(first.leftEqualsRight);
  ASSERT_TRUE(stream->rewind());
  EXPECT_EQ(readSeconds(*stream, 10).frames, 44100u);

  // At the output's own rate the samples pass exactly; of four channels the first two are heard.
  std::string quad = test::wavHeader(4, 44100, 100 * 8);
  for (int i = 0; i < 100; ++i)
    quad += test::le16(8192) + test::le16(4096) + test::le16(30000) + test::le16(30000);
  stream = open("quad.wav", quad);
  ASSERT_TRUE(stream);
  std::vector<float> block(2 * 200);
  ASSERT_EQ(stream->read(block.data(), 200), 100u);
  EXPECT_EQ(block[0], 0.25f);
  EXPECT_EQ(block[1], 0.125f);
  EXPECT_EQ(stream->read(block.data(), 200), 0u) << "nothing after the end";
}

TEST_F(SoundStreamTest, AWavHeaderClaimingGigabytesEndsWithTheDataThereIs) {
  std::unique_ptr<SoundStream> stream =
      open("huge.wav", test::wavHeader(2, 44100, 0xFFFFFF00u) + test::constantSamples(1000, 2, 1000));
  ASSERT_TRUE(stream);
  const Played p = readSeconds(*stream, 60);
  EXPECT_EQ(p.frames, 1000u);
  EXPECT_LT(stream->bufferBytes(), 64u * 1024);
}

TEST_F(SoundStreamTest, DamagedFilesOpenOrNotInBoundedTimeAndMemory) {
  std::vector<std::pair<std::string, std::string>> files;
  const std::string tune = test::midiTune(20);
  files.emplace_back("cut.mid", tune.substr(0, tune.size() / 2));
  for (const std::string& copy : test::bitFlipped(tune, 20)) files.emplace_back("flipped.mid", copy);
  files.emplace_back("slowest.mid", test::slowestMidi());
  const std::filesystem::path ogg = dir.path() / "short.ogg";
  if (test::soxOgg(ogg, 3, 44100, 2)) {
    const std::string bytes = test::readBytes(ogg);
    files.emplace_back("cut.ogg", bytes.substr(0, bytes.size() / 2));
    files.emplace_back("head.ogg", bytes.substr(0, 200));
    for (const std::string& copy : test::bitFlipped(bytes, 20)) files.emplace_back("flipped.ogg", copy);
  }
  files.emplace_back("bad.wav", test::wavHeader(2, 0, 1000) + std::string(1000, 'x'));
  files.emplace_back("garbage.wav", std::string(5000, '\x55'));

  const auto start = std::chrono::steady_clock::now();
  for (const auto& [name, bytes] : files) {
    SCOPED_TRACE(name);
    const auto opened = std::chrono::steady_clock::now();
    std::unique_ptr<SoundStream> stream = open(name, bytes);
    if (!stream) continue;
    readSeconds(*stream, 3);
    stream->rewind();
    readSeconds(*stream, 1);
    EXPECT_LT(std::chrono::steady_clock::now() - opened, std::chrono::seconds(2));
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));

  // Four bytes of a MIDI header are no sound; neither is an empty file.
  EXPECT_FALSE(open("four.mid", "MThd"));
  EXPECT_FALSE(open("empty.wav", ""));
  EXPECT_FALSE(openSoundStream(dir.path() / "missing.wav"));
}

}  // namespace
}  // namespace tavrik
