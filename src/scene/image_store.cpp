#include "scene/image_store.h"

#include <algorithm>
#include <atomic>
#include <optional>
#include <thread>

#include "base/script_path.h"
#include "platform/image_decoder.h"

namespace tavrik {

TiledImage& ImageStore::createImage(int width, int height) {
  images_.push_back(std::make_unique<TiledImage>(width, height));
  return *images_.back();
}

std::string ImageStore::find(std::string_view name) const {
  return findImageFile(name, moduleDirectory_);
}

bool ImageStore::load(TiledImage& image, std::string_view name) const {
  const std::string path = find(name);
  return !path.empty() && loadFile(image, name, path);
}

bool ImageStore::loadFile(TiledImage& image, std::string_view name, const std::string& path) const {
  const std::optional<std::filesystem::path> native = paths::resolve(path);
  if (!native || !image.load(*native)) return false;
  image.setSource(name);
  return true;
}

void ImageStore::loadAll(const std::vector<Request>& requests) const {
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
    if (!decoded[i]) {
      image.unload();
      continue;
    }
    image.load(*decoded[i]);
    image.setSource(requests[i].name);
  }
}

std::string findImageFile(std::string_view name, std::string_view moduleDirectory) {
  static constexpr std::string_view kSuffixes[] = {"", ".png", ".jpg", ".jpeg", ".bmp", ".gif"};
  const std::string bases[] = {std::string(name), std::string(moduleDirectory) + std::string(name)};
  for (const std::string& base : bases) {
    for (const std::string_view suffix : kSuffixes) {
      std::string candidate = base;
      candidate += suffix;
      if (paths::exists(candidate)) return candidate;
    }
  }
  return {};
}

}  // namespace tavrik
