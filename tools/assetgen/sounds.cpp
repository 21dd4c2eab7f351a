#include "sounds.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace assetgen {

namespace {

void le16(std::string& o, unsigned v) {
  o += static_cast<char>(v & 0xFF);
  o += static_cast<char>((v >> 8) & 0xFF);
}
void le32(std::string& o, std::uint32_t v) {
  le16(o, v & 0xFFFF);
  le16(o, v >> 16);
}
void be16(std::string& o, unsigned v) {
  o += static_cast<char>((v >> 8) & 0xFF);
  o += static_cast<char>(v & 0xFF);
}
void be32(std::string& o, std::uint32_t v) {
  be16(o, v >> 16);
  be16(o, v & 0xFFFF);
}

std::string wav(const std::vector<double>& samples, int rate) {
  std::string data;
  for (double s : samples) {
    const int v = static_cast<int>(std::lround(std::fmax(-1.0, std::fmin(1.0, s)) * 32000));
    le16(data, static_cast<unsigned>(static_cast<std::uint16_t>(v)));
  }
  std::string o = "RIFF";
  le32(o, 36 + static_cast<std::uint32_t>(data.size()));
  o += "WAVEfmt ";
  le32(o, 16);
  le16(o, 1);
  le16(o, 1);
  le32(o, static_cast<std::uint32_t>(rate));
  le32(o, static_cast<std::uint32_t>(rate * 2));
  le16(o, 2);
  le16(o, 16);
  o += "data";
  le32(o, static_cast<std::uint32_t>(data.size()));
  return o + data;
}

constexpr double kTwoPi = 6.283185307179586;

}  // namespace

std::string chimeWav(double f, double seconds) {
  const int rate = 22050;
  std::vector<double> s(static_cast<std::size_t>(seconds * rate));
  for (std::size_t i = 0; i < s.size(); ++i) {
    const double t = static_cast<double>(i) / rate;
    const double attack = std::fmin(1.0, t / 0.005);
    s[i] = attack * std::exp(-4.0 * t) *
           (0.6 * std::sin(kTwoPi * f * t) + 0.3 * std::sin(kTwoPi * f * 1.5 * t) +
            0.1 * std::sin(kTwoPi * f * 3.01 * t));
  }
  return wav(s, rate);
}

std::string knockWav() {
  const int rate = 22050;
  std::vector<double> s(rate / 4);
  std::uint32_t noise = 1;
  for (std::size_t i = 0; i < s.size(); ++i) {
    const double t = static_cast<double>(i) / rate;
    noise = noise * 1664525u + 1013904223u;
    const double n = ((noise >> 9) & 0xFFFF) / 32768.0 - 1.0;
    s[i] = std::exp(-30.0 * t) * (0.7 * std::sin(kTwoPi * 140 * t) + 0.3 * n);
  }
  return wav(s, rate);
}

std::string tuneMidi() {
  // Events on a single track (format 0): delta time, then the bytes.
  std::string track;
  auto delta = [&](std::uint32_t ticks) {
    std::uint8_t bytes[4];
    int n = 0;
    bytes[n++] = ticks & 0x7F;
    while (ticks >>= 7) bytes[n++] = static_cast<std::uint8_t>((ticks & 0x7F) | 0x80);
    while (n--) track += static_cast<char>(bytes[n]);
  };
  auto event = [&](std::uint32_t dt, std::initializer_list<int> bytes) {
    delta(dt);
    for (int b : bytes) track += static_cast<char>(b);
  };
  const int beat = 480;
  event(0, {0xFF, 0x51, 0x03, 0x07, 0x1B, 0x6E});  // tempo: 465,774 us a beat (about 129 bpm)
  event(0, {0xC0, 0});                             // piano
  event(0, {0xC1, 48});                            // strings
  event(0, {0xC2, 32});                            // acoustic bass
  event(0, {0xB1, 7, 70});
  event(0, {0xB2, 7, 90});

  // Chords per bar (root of the bass, then the chord), and a melody of quarter and half notes.
  const int chords[8][4] = {{48, 60, 64, 67}, {45, 57, 60, 64}, {41, 57, 60, 65}, {43, 55, 59, 62},
                            {48, 60, 64, 67}, {45, 57, 60, 64}, {41, 57, 60, 65}, {43, 55, 59, 62}};
  const int melody[8][4] = {{76, 74, 72, 74}, {76, 76, 76, 0}, {74, 74, 72, 74}, {79, 0, 74, 0},
                            {76, 74, 72, 74}, {76, 77, 79, 0}, {77, 76, 74, 72}, {71, 0, 67, 0}};
  struct Note {
    std::uint32_t at, length;
    int channel, key, velocity;
  };
  std::vector<Note> notes;
  for (int bar = 0; bar < 8; ++bar) {
    const std::uint32_t start = static_cast<std::uint32_t>(bar * 4 * beat);
    notes.push_back({start, 4u * beat - 20, 2, chords[bar][0] - 12, 80});
    for (int k = 1; k < 4; ++k) notes.push_back({start, 4u * beat - 20, 1, chords[bar][k], 50});
    for (int q = 0; q < 4; ++q) {
      if (!melody[bar][q]) continue;
      const bool longer = q + 1 < 4 && melody[bar][q + 1] == 0;
      notes.push_back({start + static_cast<std::uint32_t>(q * beat), (longer ? 2u : 1u) * beat - 30, 0,
                       melody[bar][q], 88});
    }
  }
  struct Event {
    std::uint32_t at;
    int status, key, velocity;
  };
  std::vector<Event> events;
  for (const Note& n : notes) {
    events.push_back({n.at, 0x90 | n.channel, n.key, n.velocity});
    events.push_back({n.at + n.length, 0x80 | n.channel, n.key, 0});
  }
  std::stable_sort(events.begin(), events.end(), [](const Event& a, const Event& b) { return a.at < b.at; });
  std::uint32_t now = 0;
  for (const Event& e : events) {
    event(e.at - now, {e.status, e.key, e.velocity});
    now = e.at;
  }
  event(8u * 4 * beat - now, {0xFF, 0x2F, 0x00});  // end of track, at the end of bar 8

  std::string file = "MThd";
  be32(file, 6);
  be16(file, 0);
  be16(file, 1);
  be16(file, beat);
  file += "MTrk";
  be32(file, static_cast<std::uint32_t>(track.size()));
  return file + track;
}

}  // namespace assetgen
