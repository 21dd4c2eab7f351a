// MIDI tunes in the browser: SDL_mixer's GUS-patch player with the freepats patches packed beside the
// game (freepats/freepats.cfg in the player's own folder, the patches beside it), in place of the
// desktop's SoundFont synthesiser.
#pragma once

#include <cstdio>
#include <memory>

#include "platform/sound_stream.h"

namespace tavrik {

// The tune in file (read whole; the caller keeps the file), or nothing when it is no MIDI file the
// player reads or the patches cannot be had (said once on standard error).
std::unique_ptr<SoundStream> openPatchMidi(std::FILE* file);

}  // namespace tavrik
