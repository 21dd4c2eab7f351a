#include "load_harness.h"

#include <fstream>

#include <vector>

#include "platform/sound_stream.h"
#include "scene/tiled_image.h"

namespace tavrik {

namespace {

void loadPicture(const std::filesystem::path& file) {
  // Small enough that the budget is reached often; large enough for real pictures of the seeds.
  PictureMemory memory;
  memory.limit = 4 * 1024 * 1024;
  TiledImage held(512, 512);
  held.setMemory(&memory);
  TiledImage image(1024, 1024);
  image.setMemory(&memory);
  held.load(file);
  image.load(file);
  image.load(file);
  if (memory.used != held.charged() + image.charged() || memory.used > memory.limit) __builtin_trap();
}

void loadSound(const std::filesystem::path& file) {
  std::unique_ptr<SoundStream> stream = openSoundStream(file);
  if (!stream) return;
  // A second of sound, from the start twice: enough to reach the damage in a small file.
  std::vector<float> out(2 * 1024);
  for (int pass = 0; pass < 2; ++pass) {
    for (int block = 0; block < 44; ++block) {
      if (stream->read(out.data(), 1024) == 0) break;
      if (stream->bufferBytes() > 8u * 1024 * 1024) __builtin_trap();
    }
    if (!stream->rewind()) break;
  }
}

}  // namespace

void loadFile(const std::uint8_t* data, std::size_t size, const std::filesystem::path& dir) {
  if (size == 0) return;
  const std::filesystem::path file = dir / "loaded";
  {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data + 1), static_cast<std::streamsize>(size - 1));
  }
  if ((data[0] & 1) == 0)
    loadPicture(file);
  else
    loadSound(file);
}

}  // namespace tavrik
