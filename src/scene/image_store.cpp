#include "scene/image_store.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <thread>
#include <unordered_set>

#include "base/messages.h"
#include "base/script_path.h"
#include "base/terminal_text.h"
#include "base/threads.h"
#include "platform/image_decoder.h"

namespace tavrik {

namespace {

std::int64_t memoryLimitFromEnvironment() {
  const char* text = std::getenv("TAVRIK_PICTURE_MEMORY_MB");
  if (!text || !*text) return PictureMemory::kDefaultLimit;
  char* end = nullptr;
  errno = 0;
  const long long mb = std::strtoll(text, &end, 10);
  // Anything but a positive whole number of megabytes within reason keeps the default.
  if (errno != 0 || *end != '\0' || mb <= 0 || mb > (std::int64_t{1} << 20))
    return PictureMemory::kDefaultLimit;
  return mb * 1024 * 1024;
}

}  // namespace

ImageStore::ImageStore(std::string moduleDirectory) : moduleDirectory_(std::move(moduleDirectory)) {
  memory_.limit = memoryLimitFromEnvironment();
}

TiledImage& ImageStore::createImage(int width, int height) {
  images_.push_back(std::make_unique<TiledImage>(width, height));
  images_.back()->setMemory(&memory_);
  return *images_.back();
}

std::string ImageStore::find(std::string_view name) {
  auto [at, added] = found_.try_emplace(std::string(name));
  if (added) at->second = findImageFile(name, moduleDirectory_);
  return at->second;
}

void ImageStore::newFrame() {
  found_.clear();
  ready_.clear();
  ++frame_;
}

bool ImageStore::load(TiledImage& image, std::string_view name) {
  const std::string path = find(name);
  return !path.empty() && loadFile(image, name, path);
}

bool ImageStore::loadFile(TiledImage& image, std::string_view name, const std::string& path) {
  const auto last = loaded_.find(&image);
  if (last != loaded_.end() && last->second.frame == frame_ && last->second.path == path &&
      image.source() == name)
    return true;
  const auto ready = std::find_if(ready_.begin(), ready_.end(), [&](const ReadyPicture& picture) {
    return picture.image && picture.path == path;
  });
  if (ready != ready_.end()) {
    const std::unique_ptr<TiledImage> picture = std::move(ready->image);
    if (!image.take(*picture)) {
      refuse(name);
      return false;
    }
    image.setSource(name);
    loaded_[&image] = {path, frame_};
    return true;
  }
  const std::optional<std::filesystem::path> native = paths::resolve(path);
  if (!native) return false;
  ImageRefusal why = ImageRefusal::None;
  const std::int64_t room = (memory_.limit - memory_.used + image.charged()) / 4;
  const std::optional<DecodedImage> picture = decodeImageFile(*native, room, &why);
  if (!picture || !image.load(*picture)) {
    if (why == ImageRefusal::OverBudget || picture) refuse(name);
    return false;
  }
  image.setSource(name);
  loaded_[&image] = {path, frame_};
  return true;
}

void ImageStore::refuse(std::string_view name) {
  const std::string message = ja(MessageId::PictureOverBudget,
                                 {paths::toDisplay(name), std::to_string(memory_.limit / (1024 * 1024))});
  if (reporter_)
    reporter_(message);
  else
    std::cerr << terminalText(message) << '\n';
}

void ImageStore::loadAll(const std::vector<Request>& requests) {
  // Each file is read and decoded once, however many images ask for it; the files are found here,
  // and only reading and decoding, which hold no shared state, run on the workers.
  std::vector<std::filesystem::path> files;
  std::vector<std::size_t> fileOf(requests.size(), SIZE_MAX);
  {
    std::unordered_map<std::string, std::size_t> seen;
    for (std::size_t i = 0; i < requests.size(); ++i) {
      if (requests[i].name.empty()) continue;
      const std::string path = find(requests[i].name);
      const std::optional<std::filesystem::path> native = path.empty() ? std::nullopt : paths::resolve(path);
      if (!native) continue;
      const auto [at, added] = seen.try_emplace(native->string(), files.size());
      if (added) files.push_back(*native);
      fileOf[i] = at->second;
    }
  }
  auto onWorkers = [](std::size_t count, const auto& job) {
    std::atomic<std::size_t> next{0};
    auto work = [&] {
      for (std::size_t i = next++; i < count; i = next++) job(i);
    };
    const std::size_t workers =
        kHaveThreads ? std::min<std::size_t>(count, std::max(1u, std::thread::hardware_concurrency())) : 1;
    std::vector<std::thread> threads;
    for (std::size_t w = 1; w < workers; ++w) threads.emplace_back(work);
    work();
    for (std::thread& t : threads) t.join();
  };
  std::vector<std::optional<PictureFile>> read(files.size());
  onWorkers(files.size(), [&](std::size_t f) { read[f] = readPictureFile(files[f]); });

  // The pictures are charged in the order asked, before anything is decoded: what the memory has no
  // room for is refused without being decoded at all. The images being replaced give back what they hold.
  std::int64_t room = memory_.limit - memory_.used;
  {
    std::unordered_set<const TiledImage*> replaced;
    for (const Request& request : requests)
      if (replaced.insert(request.image).second) room += request.image->charged();
  }
  std::vector<bool> admitted(requests.size(), false), wanted(files.size(), false);
  for (std::size_t i = 0; i < requests.size(); ++i) {
    if (fileOf[i] == SIZE_MAX || !read[fileOf[i]]) continue;
    const std::int64_t bytes = read[fileOf[i]]->pixels * 4;
    if (bytes > room) {
      refuse(requests[i].name);
      continue;
    }
    room -= bytes;
    admitted[i] = wanted[fileOf[i]] = true;
  }
  std::vector<std::optional<DecodedImage>> decoded(files.size());
  onWorkers(files.size(), [&](std::size_t f) {
    if (wanted[f]) decoded[f] = decodePicture(*read[f]);
    read[f].reset();
  });
  for (std::size_t i = 0; i < requests.size(); ++i) {
    TiledImage& image = *requests[i].image;
    loaded_.erase(&image);
    const std::optional<DecodedImage>* picture = admitted[i] ? &decoded[fileOf[i]] : nullptr;
    bool loaded = picture && picture->has_value();
    if (loaded && !image.load(**picture)) {
      refuse(requests[i].name);
      loaded = false;
    }
    if (!loaded) {
      image.unload();
      continue;
    }
    image.setSource(requests[i].name);
  }
}

std::vector<ImageStore::ReadyPicture> ImageStore::readAhead(const std::vector<std::string>& names,
                                                            std::string_view moduleDirectory) {
  // No more is held ahead than the picture memory would hold: what it has no room for is left for the
  // load to refuse.
  std::int64_t room = memoryLimitFromEnvironment();
  std::vector<ReadyPicture> pictures;
  for (const std::string& name : names) {
    ReadyPicture& ready = pictures.emplace_back(ReadyPicture{findImageFile(name, moduleDirectory), nullptr});
    const std::optional<std::filesystem::path> native =
        ready.path.empty() ? std::nullopt : paths::resolve(ready.path);
    if (!native) continue;
    const std::optional<DecodedImage> picture = decodeImageFile(*native, room / 4);
    if (!picture) continue;
    auto image = std::make_unique<TiledImage>(picture->width, picture->height);
    if (!image->load(*picture)) continue;
    room -= std::int64_t{picture->width} * picture->height * 4;
    ready.image = std::move(image);
  }
  return pictures;
}

std::string findImageFile(std::string_view name, std::string_view moduleDirectory) {
  return paths::findPicture(name, moduleDirectory);
}

}  // namespace tavrik
