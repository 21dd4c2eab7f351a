// Runs every script of the golden folder. Each one is UTF-8 (converted to Shift-JIS before it is
// compiled) and states what it must give in comment lines:
//   ## expect error LINE MESSAGE   the compile fails at that zero-based line with that message
//   ## expect frames N             the script ends in frame N
//   ## expect title TEXT           the window title at the end
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "platform/text_encoding.h"
#include "support/test_support.h"

namespace tavrik {
namespace {

namespace fs = std::filesystem;

struct Expectations {
  std::optional<std::pair<int, std::string>> error;
  std::optional<int> frames;
  std::optional<std::string> title;
};

Expectations readExpectations(const std::string& source) {
  Expectations e;
  std::size_t pos = 0;
  while (pos < source.size()) {
    std::size_t eol = source.find('\n', pos);
    if (eol == std::string::npos) eol = source.size();
    std::string line = source.substr(pos, eol - pos);
    pos = eol + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::string prefix = "## expect ";
    if (line.rfind(prefix, 0) != 0) continue;
    const std::string rest = line.substr(prefix.size());
    const std::string kind = rest.substr(0, rest.find(' '));
    const std::string value = rest.size() > kind.size() ? rest.substr(kind.size() + 1) : "";
    if (kind == "error") {
      const std::size_t space = value.find(' ');
      e.error = std::make_pair(std::stoi(value.substr(0, space)), value.substr(space + 1));
    } else if (kind == "frames") {
      e.frames = std::stoi(value);
    } else if (kind == "title") {
      e.title = value;
    } else {
      ADD_FAILURE() << "unknown expectation: " << line;
    }
  }
  return e;
}

class GoldenScript : public ::testing::TestWithParam<fs::path> {};

TEST_P(GoldenScript, GivesWhatItExpects) {
  std::ifstream in(GetParam(), std::ios::binary);
  const std::string source((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const Expectations expected = readExpectations(source);
  ASSERT_TRUE(expected.error || expected.frames || expected.title) << "the script expects nothing";

  test::EngineRig rig;
  const std::optional<ScriptError> error = rig.compile(source);
  if (expected.error) {
    ASSERT_TRUE(error.has_value()) << "the script compiled";
    EXPECT_EQ(error->index, expected.error->first);
    EXPECT_EQ(sjisToUtf8(error->message), expected.error->second);
    return;
  }
  ASSERT_FALSE(error.has_value()) << sjisToUtf8(error->reportText());
  const int frames = rig.framesUntilFinished();
  if (expected.frames) {
    EXPECT_EQ(frames, *expected.frames);
  }
  if (expected.title) {
    EXPECT_EQ(sjisToUtf8(rig.device->title()), *expected.title);
  }
}

std::vector<fs::path> goldenScripts() {
  std::vector<fs::path> out;
  for (const auto& entry : fs::directory_iterator(TAVRIK_GOLDEN_DIR)) {
    if (entry.path().extension() == ".tvk") out.push_back(entry.path());
  }
  std::sort(out.begin(), out.end());
  return out;
}

INSTANTIATE_TEST_SUITE_P(Golden, GoldenScript, ::testing::ValuesIn(goldenScripts()),
                         [](const ::testing::TestParamInfo<fs::path>& info) {
                           std::string name = info.param.stem().string();
                           for (char& c : name) {
                             if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                           }
                           return name;
                         });

}  // namespace
}  // namespace tavrik
