#include "support/compiler_support.h"

#include <filesystem>

#include <gtest/gtest.h>

#include "base/text_encoding.h"

namespace tavrik::test {

CompileResult compileSource(const TempDir& dir, std::string_view utf8Source, std::string_view name) {
  const std::filesystem::path file = dir.write(std::string(name), sjisScript(utf8Source));
  return compileScript(scriptPath(file));
}

std::shared_ptr<const Program> compiled(const TempDir& dir, std::string_view utf8Source) {
  CompileResult result = compileSource(dir, utf8Source);
  EXPECT_FALSE(result.error.has_value()) << (result.error ? sjisToUtf8(result.error->reportText()) : "");
  return result.program ? result.program : std::make_shared<const Program>();
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

}  // namespace tavrik::test
