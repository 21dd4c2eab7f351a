#include "pictures.h"

#include <cstdint>

namespace assetgen {

namespace {

constexpr double kPi = 3.14159265358979;

// A fixed sequence, so the pictures come out the same every time.
struct Lcg {
  std::uint32_t s = 12345;
  double next() {
    s = s * 1103515245u + 12345u;
    return ((s >> 8) & 0xFFFF) / 65535.0;
  }
};

// Rolling hills: the height of a ridge at x.
double ridge(double x, double base, double amp, double freq, double phase) {
  return base - amp * (0.6 * std::sin(x * freq + phase) + 0.4 * std::sin(x * freq * 2.3 + phase * 1.7));
}

}  // namespace

Canvas duskBackground() {
  Canvas c(800, 600);
  const Rgba top = rgb(24, 28, 70), middle = rgb(112, 72, 140), horizon = rgb(250, 160, 110);
  c.fill([&](double, double y) {
    const double t = y / 420.0;
    return t < 0.6 ? mix(top, middle, t / 0.6) : mix(middle, horizon, std::min(1.0, (t - 0.6) / 0.4));
  });
  Lcg rng;
  for (int i = 0; i < 90; ++i) {
    const double x = rng.next() * 800, y = rng.next() * 230, r = 0.6 + rng.next() * 1.1;
    c.ellipse(x, y, r, r, rgb(255, 250, 230, 0.5 + 0.5 * rng.next()));
  }
  // A crescent: the moon's disc less a disc beside it.
  c.shape(
      580, 70, 660, 150,
      [](double x, double y) {
        return std::hypot(x - 620, y - 110) <= 38 && std::hypot(x - 604, y - 100) > 34;
      },
      [](double, double) { return rgb(255, 244, 214); });
  auto hills = [&](double base, double amp, double freq, double phase, Rgba colour) {
    c.shape(
        0, base - amp * 1.2, 800, 600,
        [=](double x, double y) { return y >= ridge(x, base, amp, freq, phase); },
        [=](double, double) { return colour; });
  };
  hills(400, 40, 0.012, 0.5, rgb(86, 70, 120));
  hills(450, 35, 0.018, 2.0, rgb(54, 48, 90));
  hills(520, 25, 0.025, 4.0, rgb(30, 34, 60));
  return c;
}

Canvas roomBackground() {
  Canvas c(800, 600);
  c.fill([](double x, double y) {
    if (y > 430) return mix(rgb(150, 105, 70), rgb(110, 75, 50), (y - 430) / 170);  // the floor
    const double stripe = std::fmod(x, 60) < 30 ? 0.0 : 0.04;
    return mix(rgb(236, 226, 206), rgb(210, 196, 172), y / 430 + stripe);  // the wall
  });
  c.roundedRect(0, 424, 800, 436, 0, rgb(90, 60, 40));  // the skirting board
  // A window with the evening outside.
  c.roundedRect(470, 80, 710, 330, 6, rgb(120, 90, 60));
  c.roundedRect(482, 92, 698, 318, 2,
                [](double, double y) { return mix(rgb(60, 70, 140), rgb(250, 170, 120), (y - 92) / 226); });
  c.line(590, 92, 590, 318, 8, rgb(120, 90, 60));
  c.line(482, 205, 698, 205, 8, rgb(120, 90, 60));
  // A picture frame and a lamp.
  c.roundedRect(110, 110, 260, 230, 4, rgb(160, 120, 60));
  c.roundedRect(122, 122, 248, 218, 2,
                [](double x, double) { return mix(rgb(90, 140, 120), rgb(150, 190, 160), (x - 122) / 126); });
  c.polygon({{70, 330}, {130, 330}, {115, 280}, {85, 280}}, rgb(250, 230, 170));
  c.line(100, 330, 100, 430, 6, rgb(60, 50, 40));
  return c;
}

Canvas personBody(const Palette& p) {
  Canvas c(400, 600);
  const Rgba shade = mix(p.hair, rgb(0, 0, 0), 0.3);
  c.ellipse(200, 170, 118, 130, shade);                                 // hair behind
  c.polygon({{92, 170}, {308, 170}, {330, 430}, {70, 430}}, shade);     // long hair
  c.polygon({{120, 360}, {280, 360}, {330, 600}, {70, 600}}, p.dress);  // dress
  c.polygon({{150, 330}, {250, 330}, {290, 380}, {110, 380}},
            mix(p.dress, rgb(255, 255, 255), 0.25));                           // collar
  c.roundedRect(180, 270, 220, 345, 14, mix(p.skin, rgb(120, 80, 60), 0.12));  // neck
  c.ellipse(200, 190, 92, 106, p.skin);                                        // face
  c.ellipse(200, 112, 100, 58, p.hair);                                        // fringe
  c.polygon({{110, 120}, {150, 110}, {135, 200}}, p.hair);
  c.polygon({{290, 120}, {250, 110}, {265, 200}}, p.hair);
  c.ellipse(145, 232, 16, 8, rgb(255, 150, 150, 0.45));  // cheeks
  c.ellipse(255, 232, 16, 8, rgb(255, 150, 150, 0.45));
  return c;
}

Canvas personEyes(const Palette& p, int state) {
  Canvas c(400, 600);
  for (double cx : {160.0, 240.0}) {
    if (state == 2) {
      c.line(cx - 18, 200, cx + 18, 200, 4, rgb(60, 40, 40));
      continue;
    }
    const double open = state == 0 ? 20 : 9;
    c.ellipse(cx, 200, 16, open, rgb(255, 255, 255));
    c.ellipse(cx, 202, 11, std::min(open, 13.0), p.eye);
    c.ellipse(cx, 203, 5, std::min(open * 0.5, 6.0), rgb(20, 20, 30));
    c.ellipse(cx - 4, 196, 3, std::min(open * 0.25, 3.0), rgb(255, 255, 255));
    c.line(cx - 18, 200 - open, cx + 18, 200 - open, 3, rgb(60, 40, 40));  // the lid
  }
  return c;
}

Canvas personMouth(const Palette&, int state) {
  Canvas c(400, 600);
  if (state == 0) {
    c.line(188, 258, 212, 258, 3, rgb(170, 80, 80));
  } else {
    c.ellipse(200, 259, 11, 8, rgb(150, 50, 60));
    c.ellipse(200, 263, 7, 3, rgb(230, 120, 120));
  }
  return c;
}

Canvas textFrame() {
  Canvas c(800, 600);
  c.roundedRect(20, 420, 780, 585, 14, [](double, double y) {
    return mix(rgb(16, 20, 48, 0.78), rgb(30, 20, 60, 0.86), (y - 420) / 165);
  });
  c.shape(
      20, 420, 780, 585,
      [](double x, double y) {
        auto inRect = [&](double m, double r) {
          const double cx = std::clamp(x, 20 + m + r, 780 - m - r),
                       cy = std::clamp(y, 420 + m + r, 585 - m - r);
          return x >= 20 + m && x <= 780 - m && y >= 420 + m && y <= 585 - m &&
                 std::hypot(x - cx, y - cy) <= r;
        };
        return inRect(4, 10) && !inRect(6, 8);
      },
      [](double, double) { return rgb(230, 210, 255, 0.7); });
  return c;
}

Canvas button(Rgba topColour, Rgba bottomColour, int icon) {
  Canvas c(220, 64);
  c.roundedRect(2, 4, 218, 62, 14, rgb(0, 0, 0, 0.35));  // shadow
  c.roundedRect(0, 0, 216, 58, 14, [=](double, double y) { return mix(topColour, bottomColour, y / 58); });
  c.roundedRect(6, 4, 210, 24, 10, rgb(255, 255, 255, 0.22));  // gloss
  const Rgba ink = rgb(255, 255, 255, 0.95);
  const double cx = 36, cy = 29;
  switch (icon) {
    case 0:  // a circling arrow
      c.shape(
          cx - 16, cy - 16, cx + 16, cy + 16,
          [=](double x, double y) {
            const double d = std::hypot(x - cx, y - cy), a = std::atan2(y - cy, x - cx);
            return d >= 9 && d <= 14 && a > -kPi * 0.75;
          },
          [=](double, double) { return ink; });
      c.polygon({{cx - 20, cy - 14}, {cx - 2, cy - 14}, {cx - 11, cy - 2}}, ink);
      break;
    case 1:
      c.roundedRect(cx - 11, cy - 11, cx + 11, cy + 11, 3, ink);
      break;
    case 2:
      c.polygon({{cx + 10, cy - 13}, {cx + 10, cy + 13}, {cx - 12, cy}}, ink);
      break;
    default:
      c.polygon({{cx - 10, cy - 13}, {cx - 10, cy + 13}, {cx + 12, cy}}, ink);
      break;
  }
  return c;
}

Canvas star() {
  Canvas c(64, 64);
  std::vector<std::pair<double, double>> points;
  for (int i = 0; i < 10; ++i) {
    const double r = i % 2 ? 12 : 30, a = -kPi / 2 + i * kPi / 5;
    points.emplace_back(32 + r * std::cos(a), 32 + r * std::sin(a));
  }
  c.polygon(points, rgb(255, 230, 120));
  return c;
}

// A night-blue card with a moon, a text frame and three typed-out characters: what the player shows.
Canvas icon(int size) {
  Canvas c(size, size);
  const double s = size / 48.0;
  auto sky = [&](double, double y) { return mix(rgb(40, 50, 120), rgb(100, 90, 190), y / size); };
  c.roundedRect(1 * s, 1 * s, 47 * s - 1, 47 * s - 1, 8 * s, sky);
  c.ellipse(33.5 * s, 12.5 * s, 5.5 * s, 5.5 * s, rgb(255, 236, 170));
  c.ellipse(30 * s, 10 * s, 5 * s, 5 * s, sky(0, 10 * s));
  c.roundedRect(6 * s, 26 * s, 42 * s, 42 * s, 3 * s, rgb(255, 255, 255, 225 / 255.0));
  for (int i = 0; i < 3; ++i) {
    const double x = (12 + i * 9) * s;
    c.roundedRect(x, 32 * s, x + 5 * s, 36 * s, 1.5 * s, rgb(50, 60, 130));
  }
  return c;
}

}  // namespace assetgen
