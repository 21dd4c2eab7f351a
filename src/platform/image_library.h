// The picture codecs of the SDL family, loaded with dlopen at the first picture rather than with the
// program (see shared_library.h): they bring a dozen libraries of their own (TIFF, WebP and their
// compressors among them), and the first picture is read on a thread of its own while the window
// opens, so loading them there keeps them off the first frame's path.
#pragma once

#include <SDL_image.h>

namespace tavrik {

struct ImageLibrary {
  decltype(&IMG_Load) load = nullptr;
  decltype(&IMG_LoadPNG_RW) loadPng = nullptr;
  decltype(&IMG_LoadJPG_RW) loadJpeg = nullptr;
  decltype(&IMG_LoadBMP_RW) loadBmp = nullptr;
  decltype(&IMG_SavePNG) savePng = nullptr;
};

// The codecs, or null when they cannot be loaded (said once on standard error): pictures then cannot
// be read or written, and the player goes on without them.
const ImageLibrary* imageLibrary();

}  // namespace tavrik
