#include "base/theme_file.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>

#include "base/files.h"
#include "base/messages.h"
#include "base/text_encoding.h"

namespace tavrik {

namespace {

// No theme comes near this.
constexpr std::uintmax_t kMaxThemeSize = 64 * 1024;
constexpr int kLeastOpacity = 30;

std::string both(MessageId id, std::initializer_list<std::string_view> args) {
  return ja(id, args) + " — " + en(id, args);
}

std::string_view trimmed(std::string_view s) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && blank(s.back())) s.remove_suffix(1);
  return s;
}

std::optional<std::uint32_t> colourOf(std::string_view value) {
  if (!value.empty() && value.front() == '#') value.remove_prefix(1);
  if (value.size() != 6) return std::nullopt;
  std::uint32_t rgb = 0;
  for (char c : value) {
    int digit = -1;
    if (c >= '0' && c <= '9') digit = c - '0';
    if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    if (digit < 0) return std::nullopt;
    rgb = rgb << 4 | static_cast<std::uint32_t>(digit);
  }
  return rgb;
}

std::string hex(std::uint32_t rgb) {
  char text[8];
  std::snprintf(text, sizeof text, "#%06X", static_cast<unsigned>(rgb & 0xFFFFFF));
  return text;
}

double linear(std::uint32_t channel) {
  const double c = channel / 255.0;
  return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

double luminance(std::uint32_t rgb) {
  return 0.2126 * linear((rgb >> 16) & 0xFF) + 0.7152 * linear((rgb >> 8) & 0xFF) +
         0.0722 * linear(rgb & 0xFF);
}

}  // namespace

double contrastRatio(std::uint32_t a, std::uint32_t b) {
  const double la = luminance(a), lb = luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

std::uint32_t blendOver(std::uint32_t top, std::uint32_t bottom, double opacity) {
  std::uint32_t out = 0;
  for (int shift : {16, 8, 0}) {
    const double t = (top >> shift) & 0xFF, b = (bottom >> shift) & 0xFF;
    out |= static_cast<std::uint32_t>(std::lround(t * opacity + b * (1 - opacity))) << shift;
  }
  return out;
}

std::array<std::uint32_t, 2> panelsOverGame(const Theme& theme) {
  const std::uint32_t brightest = blendOver(0x000000, 0xFFFFFF, kGameDimming);
  const double opacity = theme.panelOpacity / 100.0;
  return {blendOver(theme.panel, 0x000000, opacity), blendOver(theme.panel, brightest, opacity)};
}

double leastContrast(std::uint32_t text, const std::array<std::uint32_t, 2>& panels) {
  return std::min(contrastRatio(text, panels[0]), contrastRatio(text, panels[1]));
}

ThemeFile parseTheme(std::string_view bytes) {
  ThemeFile out;
  Theme& theme = out.theme;
  const Theme defaults;
  // UTF-8 (a byte-order mark passed over) when the whole file is; Shift-JIS otherwise.
  if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
  const bool utf8 = isValidUtf8(bytes);
  int textLine = 0;
  std::size_t start = 0;
  for (int line = 1; start <= bytes.size(); ++line) {
    const std::size_t end = std::min(bytes.find('\n', start), bytes.size());
    const std::string_view raw = trimmed(bytes.substr(start, end - start));
    start = end + 1;
    if (raw.empty() || raw.front() == '#' || raw.front() == ';' || raw.front() == '[') continue;
    const std::optional<std::string> text =
        utf8 ? std::optional<std::string>(std::string(raw)) : sjisToUtf8Strict(raw);
    const std::string shown = text ? *text : sjisToUtf8(raw);
    const std::size_t equals = shown.find('=');
    if (equals == std::string::npos) {
      out.problems.push_back({line, both(MessageId::ThemeNoEquals, {shown})});
      continue;
    }
    std::string key(trimmed(std::string_view(shown).substr(0, equals)));
    std::transform(key.begin(), key.end(), key.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    const std::string value(trimmed(std::string_view(shown).substr(equals + 1)));
    const auto colour = [&](std::uint32_t& field) {
      if (const std::optional<std::uint32_t> rgb = colourOf(value))
        field = *rgb;
      else
        out.problems.push_back({line, both(MessageId::ThemeBadColour, {key, value})});
    };
    if (key == "accent") {
      colour(theme.accent);
    } else if (key == "panel") {
      colour(theme.panel);
    } else if (key == "text") {
      colour(theme.text);
      textLine = line;
    } else if (key == "panel-opacity") {
      const bool digits =
          !value.empty() && value.size() <= 3 &&
          std::all_of(value.begin(), value.end(), [](char c) { return c >= '0' && c <= '9'; });
      const int percent = digits ? std::stoi(value) : -1;
      if (percent >= kLeastOpacity && percent <= 100)
        theme.panelOpacity = percent;
      else
        out.problems.push_back(
            {line, both(MessageId::ThemeBadOpacity, {value, std::to_string(defaults.panelOpacity)})});
    } else if (key == "face" || key == "backdrop") {
      if (!text || value.find('\0') != std::string::npos)
        out.problems.push_back({line, both(MessageId::ThemeBadText, {key})});
      else
        (key == "face" ? theme.face : theme.backdrop) = value;
      if (key == "backdrop") out.backdropLine = line;
    } else {
      out.problems.push_back({line, both(MessageId::ThemeUnknownKey, {key})});
    }
  }
  // The text is read against the panel as it stands over the darkest game and over the brightest.
  const std::array<std::uint32_t, 2> panels = panelsOverGame(theme);
  const auto worst = [&](std::uint32_t text) { return leastContrast(text, panels); };
  const double ratio = worst(theme.text);
  if (ratio < kLeastContrast) {
    const std::uint32_t readable = worst(0xFFFFFF) >= worst(0x000000) ? 0xFFFFFF : 0x000000;
    char shown[16];
    std::snprintf(shown, sizeof shown, "%.1f", ratio);
    out.problems.push_back({textLine, both(MessageId::ThemeLowContrast,
                                           {hex(theme.text), hex(theme.panel), shown, hex(readable)})});
    theme.text = readable;
  }
  return out;
}

ThemeFile readTheme(const std::filesystem::path& scriptFolder) {
  const std::filesystem::path path = scriptFolder / kThemeFileName;
  ReadStatus status = ReadStatus::Ok;
  const std::optional<std::string> bytes = readRegularFile(path, kMaxThemeSize, false, &status);
  if (bytes) return parseTheme(*bytes);
  ThemeFile out;
  if (status != ReadStatus::Missing)
    out.problems.push_back({0, both(MessageId::ThemeUnreadable, {path.string()})});
  return out;
}

}  // namespace tavrik
