// Every seed of the fuzzer and every input it ever found that broke something, compiled and played.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "compile_harness.h"
#include "load_harness.h"
#include "platform/glyph_font.h"
#include "support/test_support.h"

namespace tavrik {
namespace {

TEST(FuzzInputs, CompileAndPlayWithoutBreakingAnything) {
  test::TempDir dir;
  std::unique_ptr<FontLibrary> fonts = FontLibrary::create();
  int inputs = 0;
  for (const char* folder : {TAVRIK_FUZZ_DIR "/corpus", TAVRIK_FUZZ_DIR "/regressions"}) {
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
      if (entry.path().extension() == ".md") continue;
      std::ifstream in(entry.path(), std::ios::binary);
      const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      SCOPED_TRACE(entry.path().string());
      compileAndPlay(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), dir.path(),
                     fonts.get());
      ++inputs;
    }
  }
  EXPECT_GT(inputs, 0);
}

TEST(FuzzInputs, LoadAsPicturesAndSoundsWithoutBreakingAnything) {
  test::TempDir dir;
  int inputs = 0;
  for (const char* folder : {TAVRIK_FUZZ_DIR "/load_corpus", TAVRIK_FUZZ_DIR "/load_regressions"}) {
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
      if (entry.path().extension() == ".md") continue;
      std::ifstream in(entry.path(), std::ios::binary);
      const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      SCOPED_TRACE(entry.path().string());
      loadFile(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), dir.path());
      ++inputs;
    }
  }
  EXPECT_GT(inputs, 0);
}

}  // namespace
}  // namespace tavrik
