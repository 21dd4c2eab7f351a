// Runs every golden script, each in the whole player started in this process (so this is one of the
// application's tests). A case is a script (golden/NAME.tvk) or a folder with main.tvk and the
// files it inserts (golden/NAME/); scripts are UTF-8 here and Shift-JIS when they run. Comment lines
// say what the case needs and what it must give:
//   ## picture NAME W H AARRGGBB     make a picture file of one colour before the run
//   ## quadrants NAME W H C1 C2 C3 C4 a picture of four colours: top left, top right, bottom left, bottom
//                                    right quarters (the left and top halves round down)
//   ## event F ...                   a line of the events file (click, move, down, up, key ...)
//   ## run N                         play N frames (without it, until the script ends)
//   ## expect error LINE MESSAGE     the compile fails at that zero-based line with that message ("{dir}"
//                                    stands for the case's folder)
//   ## expect frames N               the script ended in frame N
//   ## expect title TEXT             the window title at the end
//   ## expect var NAME VALUE         a variable's value at the end (inf, -inf and nan allowed)
//   ## expect pixel X Y RRGGBB       a pixel of the last frame, within 3 per channel
//   ## expect none X0 Y0 X1 Y1 RRGGBB no pixel of the rectangle (both corners in) has that colour
//   ## expect layer NAME ATTR VALUE  an attribute of a layer at the end (X, A, INDEX, TIME for its step ...)
//   ## expect eyes NAME ATTR VALUE   the same of a person layer's eyes, or (mouth) of its mouth
//   ## expect mouth NAME ATTR VALUE
//   ## expect text NAME TEXT         what a text layer shows ("\n" for a line feed)
//   ## expect shown NAME COUNT       how many of a text layer's characters can be seen (alpha above 0)
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "app/game_app.h"
#include "base/text_encoding.h"
#include "platform/image_decoder.h"
#include "scene/text_layer.h"
#include "support/app_support.h"

namespace tavrik {
namespace {

namespace fs = std::filesystem;

struct Case {
  std::vector<std::string> pictures;
  std::vector<std::string> quadrants;
  std::vector<std::tuple<int, int, int, int, std::uint32_t>> absent;
  std::string events;
  std::optional<long long> run;
  std::optional<std::pair<int, std::string>> error;
  std::optional<int> frames;
  std::optional<std::string> title;
  std::vector<std::pair<std::string, std::string>> variables;
  std::vector<std::tuple<int, int, std::uint32_t>> pixels;
  // What: layer, eyes or mouth; the layer's name; the attribute; the value.
  std::vector<std::tuple<std::string, std::string, std::string, std::string>> attributes;
  std::vector<std::pair<std::string, std::string>> texts;
  std::vector<std::pair<std::string, int>> shown;
};

Case readCase(const std::string& source) {
  Case c;
  std::istringstream lines(source);
  std::string line;
  while (std::getline(lines, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.rfind("## ", 0) != 0) continue;
    std::istringstream words(line.substr(3));
    std::string kind;
    words >> kind;
    std::string rest;
    std::getline(words >> std::ws, rest);
    if (kind == "picture") {
      c.pictures.push_back(rest);
    } else if (kind == "quadrants") {
      c.quadrants.push_back(rest);
    } else if (kind == "event") {
      c.events += rest + "\n";
    } else if (kind == "run") {
      c.run = std::stoll(rest);
    } else if (kind == "expect") {
      std::istringstream e(rest);
      std::string what;
      e >> what;
      std::string value;
      std::getline(e >> std::ws, value);
      if (what == "error") {
        const std::size_t space = value.find(' ');
        c.error = std::make_pair(std::stoi(value.substr(0, space)), value.substr(space + 1));
      } else if (what == "frames") {
        c.frames = std::stoi(value);
      } else if (what == "title") {
        c.title = value;
      } else if (what == "var") {
        const std::size_t space = value.rfind(' ');
        c.variables.emplace_back(value.substr(0, space), value.substr(space + 1));
      } else if (what == "pixel") {
        std::istringstream p(value);
        int x = 0, y = 0;
        std::string rgb;
        p >> x >> y >> rgb;
        c.pixels.emplace_back(x, y, 0xFF000000u | std::stoul(rgb, nullptr, 16));
      } else if (what == "none") {
        std::istringstream p(value);
        int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
        std::string rgb;
        p >> x0 >> y0 >> x1 >> y1 >> rgb;
        c.absent.emplace_back(x0, y0, x1, y1, 0xFF000000u | std::stoul(rgb, nullptr, 16));
      } else if (what == "layer" || what == "eyes" || what == "mouth") {
        std::istringstream a(value);
        std::string name, attribute, expected;
        a >> name >> attribute >> expected;
        c.attributes.emplace_back(what, name, attribute, expected);
      } else if (what == "text") {
        const std::size_t space = value.find(' ');
        std::string text = value.substr(space + 1);
        for (std::size_t at; (at = text.find("\\n")) != std::string::npos;) text.replace(at, 2, "\n");
        c.texts.emplace_back(value.substr(0, space), text);
      } else if (what == "shown") {
        const std::size_t space = value.rfind(' ');
        c.shown.emplace_back(value.substr(0, space), std::stoi(value.substr(space + 1)));
      } else {
        ADD_FAILURE() << "unknown expectation: " << line;
      }
    }
  }
  return c;
}

// An animated object's field by the name of the attribute that sets it; TIME gives the step.
std::optional<float> fieldNamed(const AnimationState& state, const std::string& attribute) {
  std::optional<float> out;
  forEachAnimationField([&](ActionAttribute a, auto member) {
    if (kActionAttributeNames[static_cast<std::size_t>(a)] == attribute)
      out = static_cast<float>(state.*member);
  });
  return out;
}

bool sameValue(float actual, const std::string& expected) {
  if (expected == "nan") return std::isnan(actual);
  if (expected == "inf") return std::isinf(actual) && actual > 0;
  if (expected == "-inf") return std::isinf(actual) && actual < 0;
  return actual == std::stof(expected);
}

class GoldenScript : public ::testing::TestWithParam<fs::path> {};

TEST_P(GoldenScript, GivesWhatItExpects) {
  const fs::path source = GetParam();
  const bool folder = fs::is_directory(source);
  const fs::path mainFile = folder ? source / "main.tvk" : source;
  const Case expected = readCase(test::readBytes(mainFile));
  ASSERT_TRUE(expected.error || expected.frames || expected.title || !expected.variables.empty() ||
              !expected.pixels.empty() || !expected.attributes.empty() || !expected.texts.empty() ||
              !expected.shown.empty() || !expected.absent.empty())
      << "the case expects nothing";

  // The case's files in a fresh folder, scripts in Shift-JIS as games have them.
  test::TempDir dir;
  const std::vector<fs::path> files =
      folder ? std::vector<fs::path>(fs::recursive_directory_iterator(source), {})
             : std::vector<fs::path>{source};
  for (const fs::path& file : files) {
    if (fs::is_directory(file)) continue;
    const fs::path relative = folder ? fs::relative(file, source) : fs::path("main.tvk");
    const std::string bytes = test::readBytes(file);
    dir.write(relative, file.extension() == ".tvk" ? test::sjisScript(bytes) : bytes);
  }
  for (const std::string& picture : expected.pictures) {
    std::istringstream p(picture);
    std::string name, colour;
    int w = 0, h = 0;
    p >> name >> w >> h >> colour;
    ASSERT_TRUE(savePng(test::solidPicture(w, h, static_cast<std::uint32_t>(std::stoul(colour, nullptr, 16))),
                        dir.path() / name));
  }
  for (const std::string& picture : expected.quadrants) {
    std::istringstream p(picture);
    std::string name, colours[4];
    int w = 0, h = 0;
    p >> name >> w >> h >> colours[0] >> colours[1] >> colours[2] >> colours[3];
    const DecodedImage image = test::picture(w, h, [&](int x, int y) {
      const int quarter = (y < h / 2 ? 0 : 2) + (x < w / 2 ? 0 : 1);
      return static_cast<std::uint32_t>(std::stoul(colours[quarter], nullptr, 16));
    });
    ASSERT_TRUE(savePng(image, dir.path() / name));
  }
  const fs::path script = dir.path() / "main.tvk";

  const std::optional<ScriptError> error = compileScript(test::scriptPath(script)).error;
  if (expected.error) {
    ASSERT_TRUE(error.has_value()) << "the script compiled";
    EXPECT_EQ(error->index, expected.error->first) << sjisToUtf8(error->reportText());
    // "{dir}" in an expected message stands for the case's folder as the compiler names it.
    std::string message = expected.error->second;
    if (const std::size_t at = message.find("{dir}"); at != std::string::npos)
      message.replace(at, 5, dir.path().string() + "/");
    EXPECT_EQ(sjisToUtf8(error->message), message);
    return;
  }
  ASSERT_FALSE(error.has_value()) << sjisToUtf8(error->reportText());

  CommandLine cl = test::headlessCommandLine(script, expected.run.value_or(10000));
  cl.automation.events = dir.write("events.txt", expected.events);
  std::unique_ptr<GameApp> app = test::startHeadless(cl);
  ASSERT_TRUE(app);
  app->frame().run();
  if (expected.frames) {
    EXPECT_EQ(app->frame().framesRun(), *expected.frames);
  }
  if (expected.title) {
    EXPECT_EQ(sjisToUtf8(app->frame().graphics().title()), *expected.title);
  }
  for (const auto& [name, value] : expected.variables) {
    const std::optional<float> v = app->engine().variable(test::sjis(name));
    ASSERT_TRUE(v.has_value()) << name;
    EXPECT_TRUE(sameValue(*v, value)) << name << " is " << *v << ", expected " << value;
  }
  for (const auto& [x, y, colour] : expected.pixels) {
    EXPECT_TRUE(test::nearColour(app->frame().graphics().pixelAt(x, y), colour)) << "pixel " << x << "," << y;
  }
  for (const auto& [x0, y0, x1, y1, colour] : expected.absent) {
    for (int y = y0; y <= y1; ++y) {
      for (int x = x0; x <= x1; ++x)
        ASSERT_NE(app->frame().graphics().pixelAt(x, y), colour) << "pixel " << x << "," << y;
    }
  }
  ScriptEngine& engine = app->engine();
  auto layerNamed = [&](const std::string& name) -> SimpleLayer* {
    const std::int32_t index = engine.program().findLayer(test::sjis(name));
    return index < 0 ? nullptr : &engine.layer(index);
  };
  for (const auto& [what, name, attribute, value] : expected.attributes) {
    SimpleLayer* layer = layerNamed(name);
    ASSERT_NE(layer, nullptr) << name;
    const LayerState state = layer->state();
    ASSERT_TRUE(what == "layer" || dynamic_cast<PersonLayer*>(layer)) << name << " is no person";
    const AnimationState& object =
        what == "layer" ? state.object.fields : (what == "eyes" ? state.eyes.fields : state.mouth.fields);
    const std::optional<float> actual = fieldNamed(object, attribute);
    ASSERT_TRUE(actual.has_value()) << attribute;
    EXPECT_TRUE(sameValue(*actual, value)) << what << " " << name << " " << attribute << " is " << *actual;
  }
  for (const auto& [name, text] : expected.texts) {
    auto* layer = dynamic_cast<TextLayer*>(layerNamed(name));
    ASSERT_NE(layer, nullptr) << name;
    std::string shown;
    for (const TextCharacter& c : layer->characters()) {
      if (c.code > 0xFF) shown += static_cast<char>(c.code >> 8);
      shown += static_cast<char>(c.code & 0xFF);
    }
    EXPECT_EQ(sjisToUtf8(shown), text) << name;
  }
  for (const auto& [name, count] : expected.shown) {
    auto* layer = dynamic_cast<TextLayer*>(layerNamed(name));
    ASSERT_NE(layer, nullptr) << name;
    const auto& characters = layer->characters();
    EXPECT_EQ(
        std::count_if(characters.begin(), characters.end(), [](const TextCharacter& c) { return c.a > 0; }),
        count)
        << name;
  }
}

std::vector<fs::path> goldenCases() {
  std::vector<fs::path> out;
  for (const auto& entry : fs::directory_iterator(TAVRIK_GOLDEN_DIR)) {
    if (entry.path().extension() == ".tvk" || fs::exists(entry.path() / "main.tvk"))
      out.push_back(entry.path());
  }
  std::sort(out.begin(), out.end());
  return out;
}

INSTANTIATE_TEST_SUITE_P(Golden, GoldenScript, ::testing::ValuesIn(goldenCases()),
                         [](const ::testing::TestParamInfo<fs::path>& testCase) {
                           std::string name = testCase.param.stem().string();
                           for (char& c : name) {
                             if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                           }
                           return name;
                         });

}  // namespace
}  // namespace tavrik
