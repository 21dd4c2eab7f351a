// The functions the desktop player loads from shared libraries at first use, linked into the browser's.
#include <SDL_image.h>
#include <sndfile.h>

#include <cstring>

#include "platform/shared_library.h"

namespace tavrik {

namespace {

struct Linked {
  const char* soname;
  const char* name;
  void* function;
};

#define TAVRIK_LINKED(soname, function) \
  { soname, #function, reinterpret_cast<void*>(&function) }

const Linked kLinked[] = {
    TAVRIK_LINKED("libsndfile.so.1", sf_open_virtual),
    TAVRIK_LINKED("libsndfile.so.1", sf_readf_float),
    TAVRIK_LINKED("libsndfile.so.1", sf_seek),
    TAVRIK_LINKED("libsndfile.so.1", sf_close),
    TAVRIK_LINKED("libSDL2_image-2.0.so.0", IMG_Load),
    TAVRIK_LINKED("libSDL2_image-2.0.so.0", IMG_LoadPNG_RW),
    TAVRIK_LINKED("libSDL2_image-2.0.so.0", IMG_LoadJPG_RW),
    TAVRIK_LINKED("libSDL2_image-2.0.so.0", IMG_LoadBMP_RW),
    TAVRIK_LINKED("libSDL2_image-2.0.so.0", IMG_SavePNG),
};

}  // namespace

void* linkedFunction(const char* soname, const char* name) {
  for (const Linked& linked : kLinked)
    if (std::strcmp(linked.soname, soname) == 0 && std::strcmp(linked.name, name) == 0)
      return linked.function;
  return nullptr;
}

}  // namespace tavrik
