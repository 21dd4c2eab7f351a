// Every seed of the fuzzers and every input they ever found that broke something: scripts compiled and
// played, files loaded as pictures and sounds. Playing needs the engine, so these are the runtime's tests.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "compile_harness.h"
#include "load_harness.h"
#include "platform/glyph_font.h"
#include "support/test_support.h"

namespace tavrik {
namespace {

// Hands every input in the seed folder and the folder of found inputs to run; how many there were.
template <class Run>
int forEachInput(const char* seeds, const char* found, Run run) {
  int inputs = 0;
  for (const char* folder : {seeds, found}) {
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
      if (entry.path().extension() == ".md") continue;
      const std::string bytes = test::readBytes(entry.path());
      SCOPED_TRACE(entry.path().string());
      run(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
      ++inputs;
    }
  }
  return inputs;
}

TEST(FuzzInputs, CompileAndPlayWithoutBreakingAnything) {
  test::TempDir dir;
  std::unique_ptr<FontLibrary> fonts = FontLibrary::create();
  const int inputs = forEachInput(TAVRIK_FUZZ_DIR "/corpus", TAVRIK_FUZZ_DIR "/regressions",
                                  [&](const std::uint8_t* data, std::size_t size) {
                                    compileAndPlay(data, size, dir.path(), fonts.get());
                                  });
  EXPECT_GT(inputs, 0);
}

TEST(FuzzInputs, LoadAsPicturesAndSoundsWithoutBreakingAnything) {
  test::TempDir dir;
  const int inputs =
      forEachInput(TAVRIK_FUZZ_DIR "/load_corpus", TAVRIK_FUZZ_DIR "/load_regressions",
                   [&](const std::uint8_t* data, std::size_t size) { loadFile(data, size, dir.path()); });
  EXPECT_GT(inputs, 0);
}

}  // namespace
}  // namespace tavrik
