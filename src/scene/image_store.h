// Owns every picture of the scene, and knows where the player's own pictures are.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "scene/tiled_image.h"

namespace tavrik {

class ImageStore {
 public:
  // moduleDirectory: the executable's directory in script form (ending in "\"), the last place
  // pictures are looked for; empty to look nowhere else.
  explicit ImageStore(std::string moduleDirectory) : moduleDirectory_(std::move(moduleDirectory)) {}

  // A new empty picture of that size, owned here for the store's whole life.
  TiledImage& createImage(int width, int height);

  // The file of the picture a script names (a script path, suffix optional): see findImageFile.
  std::string find(std::string_view name) const;
  // Loads the picture file found for name into image and remembers the name in it. False, with the
  // image unchanged, when it cannot be decoded.
  bool loadFile(TiledImage& image, std::string_view name, const std::string& path) const;
  // Both: false, with the image unchanged, when no file is found or it cannot be decoded.
  bool load(TiledImage& image, std::string_view name) const;

  // Many pictures at once, decoded side by side on the machine's cores (a stored game brings a whole
  // scene back at once); each as load would. A name that is empty, or whose file cannot be had,
  // empties its image.
  struct Request {
    TiledImage* image;
    std::string name;
  };
  void loadAll(const std::vector<Request>& requests) const;

  const std::string& moduleDirectory() const { return moduleDirectory_; }

 private:
  std::string moduleDirectory_;
  std::vector<std::unique_ptr<TiledImage>> images_;
};

// The picture file a script names: the name as written, then with ".png", ".jpg", ".jpeg", ".bmp" and
// ".gif", then the same beside the executable (moduleDirectory, a script path ending in "\"). The
// script path found, or empty.
std::string findImageFile(std::string_view name, std::string_view moduleDirectory);

}  // namespace tavrik
