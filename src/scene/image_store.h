// Owns every picture of the scene, and knows where the player's own pictures are.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "scene/tiled_image.h"

namespace tavrik {

class ImageStore {
 public:
  // moduleDirectory: the executable's directory in script form (ending in "\"), the last place
  // pictures are looked for; empty to look nowhere else.
  explicit ImageStore(std::string moduleDirectory);

  // A new empty picture of that size, owned here for the store's whole life.
  TiledImage& createImage(int width, int height);

  // The file of the picture a script names (a script path, suffix optional): see findImageFile. Each
  // name is looked up once a frame at most: a loop that loads a picture many times in one frame costs
  // one search, and a file put in the folder is seen from the next frame.
  std::string find(std::string_view name);
  // Loads the picture file found for name into image and remembers the name in it. False, with the
  // image unchanged, when it cannot be decoded or the picture memory has no room for it (which is
  // reported). The same file loaded into the same image again in one frame is not decoded again.
  bool loadFile(TiledImage& image, std::string_view name, const std::string& path);
  // Both: false, with the image unchanged, when no file is found or it cannot be decoded.
  bool load(TiledImage& image, std::string_view name);
  // Starts a frame: names are looked up afresh.
  void newFrame();

  // Many pictures at once, decoded side by side on the machine's cores (a stored game brings a whole
  // scene back at once); each as load would. A name that is empty, or whose file cannot be had,
  // empties its image.
  struct Request {
    TiledImage* image;
    std::string name;
  };
  void loadAll(const std::vector<Request>& requests);

  // A picture read, decoded and cut into tiles ahead of the first frame, on another thread while the
  // window opens: the first frame's load of its file takes it instead of reading the file. Empty image
  // when the name finds no file, it cannot be decoded or the picture memory would have no room for it
  // (the load then finds so itself).
  struct ReadyPicture {
    std::string path;  // the script path found for the name
    std::unique_ptr<TiledImage> image;
  };
  // The pictures of those names, in order, together no more than the picture memory holds.
  static std::vector<ReadyPicture> readAhead(const std::vector<std::string>& names,
                                             std::string_view moduleDirectory);
  // Kept until the first frame ends; what it did not take is let go then.
  void setReady(std::vector<ReadyPicture> pictures) { ready_ = std::move(pictures); }

  const std::string& moduleDirectory() const { return moduleDirectory_; }

  // What the pictures may hold at once (PictureMemory::kDefaultLimit unless TAVRIK_PICTURE_MEMORY_MB
  // says otherwise), and what they hold.
  PictureMemory& memory() { return memory_; }
  // Where refusals are reported (UTF-8 lines); standard error unless set.
  void setReporter(std::function<void(const std::string&)> reporter) { reporter_ = std::move(reporter); }

 private:
  void refuse(std::string_view name);

  std::string moduleDirectory_;
  PictureMemory memory_;
  std::function<void(const std::string&)> reporter_;
  std::unordered_map<std::string, std::string> found_;  // this frame's lookups
  std::uint64_t frame_ = 0;
  struct Loaded {
    std::string path;
    std::uint64_t frame;
  };
  std::unordered_map<const TiledImage*, Loaded> loaded_;  // the file each image last took, and when
  std::vector<std::unique_ptr<TiledImage>> images_;
  std::vector<ReadyPicture> ready_;
};

// The picture file a script names (paths::findPicture, which the lint shares): the name as written,
// then with ".png", ".jpg", ".jpeg", ".bmp" and ".gif", then the same beside the executable
// (moduleDirectory, a script path ending in "\"). The script path found, or empty.
std::string findImageFile(std::string_view name, std::string_view moduleDirectory);

}  // namespace tavrik
