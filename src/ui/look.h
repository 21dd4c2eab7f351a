// How the player's own screens, boxes and menus look: dark translucent panels with rounded corners over
// the dimmed game, one accent for the item Return would take (lighter where the pointer is, stronger
// where it presses), in the default design or in a game's theme (base/theme_file.h). The colours go
// into Dear ImGui's style of the current context; the screens take the rest from look(), whose colours
// are Dear ImGui's (ImU32).
#pragma once

#include <cstdint>

#include "base/theme_file.h"
#include "platform/overlay.h"

namespace tavrik {

struct Look {
  std::uint32_t accent = 0;    // the highlight: the item Return would take
  std::uint32_t onAccent = 0;  // text on it
  std::uint32_t text = 0;      // the panels' text
  std::uint32_t faint = 0;     // their quieter text (hints, dates), still readable on them
  std::uint32_t panel = 0;     // the panels, at the theme's opacity
  std::uint32_t well = 0;      // a recess in a panel: a slot, a track
  std::uint32_t outline = 0;   // an empty slot's frame, separators
  std::uint32_t warning = 0;   // what cannot be done (a save that cannot be loaded), readable on the panel
  OverlayImage backdrop = nullptr;  // a picture behind the screens, over the game
  float fade = 1;                   // how far the open screen has faded in (0 to 1)
};

// The look now in use.
const Look& look();
// Puts the theme into the current Dear ImGui context's style and into look(); the backdrop is kept.
void applyLook(const Theme& theme);
void setBackdrop(OverlayImage backdrop);
void setFade(float fade);

// Dear ImGui's colour (ImU32) of an RGB at an opacity from 0 to 1.
std::uint32_t rgba(std::uint32_t rgb, float opacity = 1);

}  // namespace tavrik
