#include "platform/midi_song.h"

#include <gtest/gtest.h>

#include <chrono>

#include "platform/sound_files.h"

namespace tavrik {
namespace {

std::optional<MidiSong> read(const std::string& bytes) {
  return readMidiSong({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()}, 44100);
}

TEST(MidiSongTest, TicksBecomeSamplesThroughTheTempoAndRunningStatusIsKept) {
  // 96 ticks a quarter note; the default tempo is half a second a quarter note.
  const std::string events = std::string("\x00\x90\x3C\x64", 4) +  // note on at 0
                             std::string("\x60\x3C\x00", 3) +      // running status: off at 96 (0.5 s)
                             std::string("\x00\xFF\x51\x03\x03\xD0\x90", 7) +  // tempo 250 ms from then
                             std::string("\x60\x3E\x64", 3) +                  // 96 ticks later: 0.25 s more
                             std::string("\x30\xFF\x2F\x00", 4);  // the track ends 48 ticks later
  const std::optional<MidiSong> song = read(test::midiFile(0, 96, {events}));
  ASSERT_TRUE(song);
  ASSERT_EQ(song->events.size(), 3u);
  EXPECT_EQ(song->events[0].sample, 0u);
  EXPECT_EQ(song->events[1].sample, 22050u);
  EXPECT_EQ(song->events[1].status, 0x90);
  EXPECT_EQ(song->events[1].data2, 0) << "a note on of no velocity, by running status";
  EXPECT_EQ(song->events[2].sample, 33075u);
  EXPECT_EQ(song->events[2].data1, 0x3E);
  EXPECT_EQ(song->endSample, 33075u + 5512u);
}

TEST(MidiSongTest, TracksPlayTogetherAndSmpteTimeCountsFrames) {
  // Format 1: the tempo track doubles the speed; the second track's note at 96 ticks comes at 0.25 s.
  const std::string tempo = std::string("\x00\xFF\x51\x03\x03\xD0\x90\x00\xFF\x2F\x00", 11);
  const std::string notes = std::string("\x60\x91\x40\x50\x00\xFF\x2F\x00", 8);
  std::optional<MidiSong> song = read(test::midiFile(1, 96, {tempo, notes}));
  ASSERT_TRUE(song);
  ASSERT_EQ(song->events.size(), 1u);
  EXPECT_EQ(song->events[0].sample, 11025u);
  EXPECT_EQ(song->events[0].status, 0x91);

  // 25 frames a second of 40 ticks: 1000 ticks are a second, whatever the tempo says.
  const std::string smpte = std::string("\x00\xFF\x51\x03\x0F\x42\x40", 7) + test::vlq(1000) + "\xC2\x05";
  song = read(test::midiFile(0, 0xE728, {smpte}));
  ASSERT_TRUE(song);
  ASSERT_EQ(song->events.size(), 1u);
  EXPECT_EQ(song->events[0].sample, 44100u);
  EXPECT_EQ(song->events[0].data1, 5);
}

TEST(MidiSongTest, FilesThatAreNoMidiAreRefusedAndDamagedTracksAreReadUpToTheDamage) {
  EXPECT_FALSE(read("MThd"));
  EXPECT_FALSE(read(""));
  EXPECT_FALSE(read("RIFF" + test::be32(100) + "WAVEfmt "));
  EXPECT_FALSE(read("MThd" + test::be32(200) + std::string(6, '\0'))) << "a header longer than the file";
  EXPECT_FALSE(read(test::midiFile(0, 0, {}))) << "no time division";

  // A track whose declared length runs past the end of the file, cut in the middle of an event.
  std::string cut = test::midiFile(0, 96, {std::string("\x00\x90\x3C\x64\x10\x80\x3C", 7)});
  cut.replace(18, 4, test::be32(0x7FFFFFFF));
  std::optional<MidiSong> song = read(cut);
  ASSERT_TRUE(song);
  EXPECT_EQ(song->events.size(), 1u);

  // Data with no status before it ends the track; so does a system message no file holds.
  song = read(test::midiFile(0, 96,
                             {std::string("\x00\x3C\x64\x00\x90\x3C\x64", 7),
                              std::string("\x00\x90\x3C\x64\x00\xF8\x00\x80\x3C\x00", 10)}));
  ASSERT_TRUE(song);
  EXPECT_EQ(song->events.size(), 1u);
  // An empty file of tracks is a tune of no length.
  song = read(test::midiFile(1, 96, {}));
  ASSERT_TRUE(song);
  EXPECT_TRUE(song->events.empty());
  EXPECT_EQ(song->endSample, 0u);
}

TEST(MidiSongTest, LengthAndEventCountAreBoundedWhateverTheFileSays) {
  // 44 bytes lasting a century and a half end at the limit, the note that would end it dropped.
  const std::string slowest = test::slowestMidi();
  ASSERT_EQ(slowest.size(), 44u);
  std::optional<MidiSong> song = read(slowest);
  ASSERT_TRUE(song);
  EXPECT_EQ(song->endSample, static_cast<std::uint32_t>(kMaxMidiSeconds * 44100));
  ASSERT_EQ(song->events.size(), 1u);
  EXPECT_EQ(song->events[0].status, 0x90);

  // Two tracks of a million notes each are cut at the event limit; the file's bytes bound the rest.
  std::string many;
  for (int i = 0; i < 1'000'000; ++i) many += std::string("\x00\x90\x3C\x64", 4);
  song = read(test::midiFile(1, 96, {many, many}));
  ASSERT_TRUE(song);
  EXPECT_EQ(song->events.size(), kMaxMidiEvents);
  EXPECT_FALSE(read(test::midiFile(1, 96, {many, many, many}))) << "over the file size limit";

  // Bit-flipped copies of a tune: each read quickly, within the limits.
  const auto start = std::chrono::steady_clock::now();
  for (const std::string& copy : test::bitFlipped(test::midiTune(60), 200)) {
    song = read(copy);
    if (!song) continue;
    EXPECT_LE(song->events.size(), kMaxMidiEvents);
    EXPECT_LE(song->endSample, static_cast<std::uint32_t>(kMaxMidiSeconds * 44100));
    for (const MidiEvent& e : song->events) ASSERT_TRUE(e.status >= 0x80 && e.status < 0xF0);
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
}

}  // namespace
}  // namespace tavrik
