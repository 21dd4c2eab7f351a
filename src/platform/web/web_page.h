// The page the browser build plays in.
#pragma once

namespace tavrik {

// The first frame is on the canvas: the page takes its loading screen away (and notes the time).
void pageShowsFirstFrame();
// The player has ended with this status (its files written): the page keeps them and says so.
void pageRunEnded(int status);

}  // namespace tavrik
