#include "support/test_support.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <fstream>
#include <iterator>
#include <optional>

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

}  // namespace tavrik::test
