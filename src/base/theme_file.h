// A game's own look for the player's screens: "tavrik-theme.ini" beside its start script, UTF-8 or
// Shift-JIS, one "key = value" a line ("#" or ";" starts a comment, a "[section]" line is passed over):
//
//   accent = #E8B04A         the highlight: the item Return would take, hovered and pressed items
//   panel = #141A2E          the screens' and boxes' panels
//   panel-opacity = 88       how much of the game the panels hide, in percent (30 to 100)
//   text = #F0F0F0           the panels' text
//   face = IPAPGothic        a font family for the screens (the player's Japanese face without it)
//   backdrop = night.png     a picture behind the screens, beside the script
//
// A value that cannot be read keeps the default look's, and is told at its line (the lint warns).
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace tavrik {

inline constexpr const char* kThemeFileName = "tavrik-theme.ini";

struct Theme {
  std::uint32_t accent = 0xE8B04A;  // RGB
  std::uint32_t panel = 0x161B2C;
  int panelOpacity = 90;  // percent
  std::uint32_t text = 0xF2F2F2;
  std::string face;      // UTF-8; empty: the player's own
  std::string backdrop;  // UTF-8, as written: relative to the script's folder; empty: none

  bool operator==(const Theme&) const = default;
};

// The least contrast the panels' text keeps with them (as the web's accessibility guidelines measure).
inline constexpr double kLeastContrast = 4.5;
// How much the screens darken the game behind them (black over it at this opacity).
inline constexpr double kGameDimming = 0.55;
// The contrast between two colours (RGB): from 1 (the same) to 21 (black on white).
double contrastRatio(std::uint32_t a, std::uint32_t b);
// A colour (RGB) over another at an opacity from 0 to 1, as the screens lay a panel over the game.
std::uint32_t blendOver(std::uint32_t top, std::uint32_t bottom, double opacity);
// A theme's panel as it stands over the darkest game and over the brightest, both dimmed as the screens
// dim them; and the least contrast a text colour has with either.
std::array<std::uint32_t, 2> panelsOverGame(const Theme& theme);
double leastContrast(std::uint32_t text, const std::array<std::uint32_t, 2>& panels);

struct ThemeProblem {
  int line = 0;      // 1-based
  std::string text;  // UTF-8: what is wrong, in Japanese and then in English
};

struct ThemeFile {
  Theme theme;
  std::vector<ThemeProblem> problems;
  int backdropLine = 0;  // where the backdrop was named
};

// The theme a file's bytes give. Unknown keys, colours, opacities and values that are not text are
// problems, each keeping the default of its key; text too faint on its panel (below kLeastContrast over
// the darkest or the brightest game, dimmed) is one too, and white or black text, whichever reads
// better, takes its place.
ThemeFile parseTheme(std::string_view bytes);
// The theme beside a script (its folder's kThemeFileName); the default look, with no problems, without
// one. A file that cannot be read (too large, not a plain file) is a problem at line 0.
ThemeFile readTheme(const std::filesystem::path& scriptFolder);

}  // namespace tavrik
