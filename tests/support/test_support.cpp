#include "support/test_support.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <fstream>
#include <iterator>

#include "base/script_path.h"
#include "base/text_encoding.h"

namespace tavrik::test {

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "tavrik-test-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) ADD_FAILURE() << "cannot create a temporary directory";
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

std::filesystem::path TempDir::write(const std::filesystem::path& relative, std::string_view bytes) const {
  const std::filesystem::path full = path_ / relative;
  std::filesystem::create_directories(full.parent_path());
  std::ofstream out(full, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return full;
}

std::string readBytes(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::string sjis(std::string_view utf8) {
  std::optional<std::string> out = utf8ToSjisStrict(utf8);
  EXPECT_TRUE(out.has_value()) << "no Shift-JIS form: " << utf8;
  return out.value_or(std::string{});
}

std::string sjisScript(std::string_view utf8) {
  std::string withCrLf;
  for (char c : utf8) {
    if (c == '\n') withCrLf += '\r';
    withCrLf += c;
  }
  return sjis(withCrLf);
}

std::string scriptPath(const std::filesystem::path& native) {
  std::optional<std::string> path = paths::fromNative(native.string());
  EXPECT_TRUE(path.has_value());
  return path.value_or(std::string{});
}

DecodedImage solidPicture(int width, int height, std::uint32_t argb) {
  return DecodedImage{width, height,
                      std::vector<std::uint32_t>(static_cast<std::size_t>(width) * height, argb)};
}

::testing::AssertionResult nearColour(std::uint32_t actual, std::uint32_t expected, int tolerance) {
  for (int shift = 0; shift < 32; shift += 8) {
    const int a = static_cast<int>((actual >> shift) & 0xFF),
              e = static_cast<int>((expected >> shift) & 0xFF);
    if (std::abs(a - e) > tolerance) {
      char text[80];
      std::snprintf(text, sizeof text, "colour %08X is not within %d of %08X", actual, tolerance, expected);
      return ::testing::AssertionFailure() << text;
    }
  }
  return ::testing::AssertionSuccess();
}

CompileResult compileSource(const TempDir& dir, std::string_view utf8Source, std::string_view name) {
  const std::filesystem::path file = dir.write(std::string(name), sjisScript(utf8Source));
  return compileScript(scriptPath(file));
}

std::shared_ptr<const Program> programOf(std::vector<Command> commands, std::vector<std::string> variables,
                                         std::vector<std::int32_t> code) {
  auto program = std::make_shared<Program>();
  variables.insert(variables.begin(), sjis("選択結果"));
  for (std::size_t i = 0; i < variables.size(); ++i)
    program->variableIndex.emplace(variables[i], static_cast<std::int32_t>(i));
  program->variables = std::move(variables);
  if (code.empty()) {
    for (std::size_t i = 0; i < commands.size(); ++i) code.push_back(static_cast<std::int32_t>(i));
  }
  program->sources.resize(commands.size());
  program->texts = {"title"};
  program->commands = std::move(commands);
  program->code = std::move(code);
  return program;
}

std::unique_ptr<GraphicsDevice> headlessDevice() {
  DeviceOptions options;
  options.headless = true;
  std::string error;
  std::unique_ptr<GraphicsDevice> device = GraphicsDevice::create(options, &error);
  if (!device) ADD_FAILURE() << "no headless device: " << error;
  return device;
}

OverlayRig::OverlayRig() : device(headlessDevice()), fonts(FontLibrary::create()) {
  int faceIndex = 0;
  if (fonts) overlay = Overlay::create(*device, fonts->defaultFaceFile(faceIndex), faceIndex);
}

SceneRig::SceneRig() : device(headlessDevice()) {
  scene = std::make_unique<Scene>(*device, mouse, random, std::string());
}

void SceneRig::frame() {
  scene->update();
  scene->prepareFrame();
  device->beginScene();
  scene->drawFrame();
  device->endScene();
  device->present();
}

EngineRig::EngineRig() : device(headlessDevice()) {
  play(programOf({}));
}

EngineRig::~EngineRig() {
  engine.reset();
}

void EngineRig::play(std::shared_ptr<const Program> played) {
  engine.reset();
  program = std::move(played);
  engine = std::make_unique<ScriptEngine>(program, EngineServices{*device, input, mouse}, "");
}

std::optional<ScriptError> EngineRig::compile(std::string_view utf8Source, std::string_view name) {
  CompileResult compiled = compileSource(dir, utf8Source, name);
  if (compiled.error) return compiled.error;
  play(std::move(compiled.program));
  return std::nullopt;
}

int EngineRig::framesUntilFinished(int limit) {
  // The application updates, then asks whether the script has ended: count frames the same way.
  int frames = 0;
  do {
    engine->update();
    ++frames;
  } while (!engine->isFinished() && frames < limit);
  return frames;
}

float EngineRig::variable(std::string_view utf8Name) const {
  const std::optional<float> value = engine->variable(sjis(utf8Name));
  EXPECT_TRUE(value.has_value()) << "no variable " << utf8Name;
  return value.value_or(0.0f);
}

}  // namespace tavrik::test
