#include "scene/image_store.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <thread>

#include "base/script_path.h"
#include "base/terminal_text.h"
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
  const std::string message = "画像「" + paths::toDisplay(name) + "」を読み込めません：画像が合わせて " +
                              std::to_string(memory_.limit / (1024 * 1024)) +
                              " MB を超えます（TAVRIK_PICTURE_MEMORY_MB で変えられます）。";
  if (reporter_)
    reporter_(message);
  else
    std::cerr << terminalText(message) << '\n';
}

void ImageStore::loadAll(const std::vector<Request>& requests) {
  // The files are found here; only the decoding, which holds no shared state, runs on the workers.
  std::vector<std::optional<std::filesystem::path>> files(requests.size());
  for (std::size_t i = 0; i < requests.size(); ++i) {
    if (requests[i].name.empty()) continue;
    const std::string path = find(requests[i].name);
    if (!path.empty()) files[i] = paths::resolve(path);
  }
  std::vector<std::optional<DecodedImage>> decoded(requests.size());
  std::atomic<std::size_t> next{0};
  auto work = [&] {
    for (std::size_t i = next++; i < requests.size(); i = next++) {
      if (files[i]) decoded[i] = decodeImageFile(*files[i]);
    }
  };
  const std::size_t workers =
      std::min<std::size_t>(requests.size(), std::max(1u, std::thread::hardware_concurrency()));
  std::vector<std::thread> threads;
  for (std::size_t w = 1; w < workers; ++w) threads.emplace_back(work);
  work();
  for (std::thread& t : threads) t.join();
  for (std::size_t i = 0; i < requests.size(); ++i) {
    TiledImage& image = *requests[i].image;
    loaded_.erase(&image);
    if (decoded[i] && !image.load(*decoded[i])) {
      refuse(requests[i].name);
      decoded[i].reset();
    }
    if (!decoded[i]) {
      image.unload();
      continue;
    }
    image.setSource(requests[i].name);
  }
}

std::string findImageFile(std::string_view name, std::string_view moduleDirectory) {
  return paths::findPicture(name, moduleDirectory);
}

}  // namespace tavrik
