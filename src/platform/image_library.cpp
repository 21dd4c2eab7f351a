#include "platform/image_library.h"

#include <cstdio>
#include <optional>
#include <string>

#include "platform/shared_library.h"

namespace tavrik {

const ImageLibrary* imageLibrary() {
  static const std::optional<ImageLibrary> loaded = [] {
    std::string why;
    std::optional<ImageLibrary> library = loadLibrary(
        "libSDL2_image-2.0.so.0", ImageLibrary{},
        [](ImageLibrary& t, auto& find) {
          find(t.load, "IMG_Load");
          find(t.loadPng, "IMG_LoadPNG_RW");
          find(t.loadJpeg, "IMG_LoadJPG_RW");
          find(t.loadBmp, "IMG_LoadBMP_RW");
          find(t.savePng, "IMG_SavePNG");
        },
        &why);
    if (!library) std::fprintf(stderr, "tavrik: %s\n", why.c_str());
    return library;
  }();
  return loaded ? &*loaded : nullptr;
}

}  // namespace tavrik
