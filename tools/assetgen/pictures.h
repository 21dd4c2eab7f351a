#pragma once

#include "canvas.h"

namespace assetgen {

// The pictures of the bundled default game and of the demo.
Canvas duskBackground();
Canvas roomBackground();
struct Palette {
  Rgba hair, skin, dress, eye;
};
Canvas personBody(const Palette& p);
Canvas personEyes(const Palette& p, int state);   // 0 open, 1 half shut, 2 shut
Canvas personMouth(const Palette& p, int state);  // 0 closed, 1 open
Canvas textFrame();
Canvas button(Rgba top, Rgba bottom, int icon);  // icon 0 replay, 1 stop, 2 left, 3 right
Canvas star();
Canvas icon(int size);

}  // namespace assetgen
