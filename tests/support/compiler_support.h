// Helpers for the tests of the compiler and those above it: scripts compiled from UTF-8 source, and
// programs made by hand. They need nothing of the display, fonts or sound.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "script/compiler/script_compiler.h"
#include "support/test_support.h"

namespace tavrik::test {

// Writes the script (UTF-8 lines) into dir as name, in Shift-JIS, and compiles it.
CompileResult compileSource(const TempDir& dir, std::string_view utf8Source,
                            std::string_view name = "main.tvk");

// Writes the script (UTF-8 lines) into dir as main.tvk and compiles it, expecting it to compile; an
// empty program when it does not.
std::shared_ptr<const Program> compiled(const TempDir& dir, std::string_view utf8Source);

// A program of hand-made commands, for the engine's own tests: variables after the choice result, code
// runs the commands in order unless given, and every text a command names is "title".
std::shared_ptr<const Program> programOf(std::vector<Command> commands,
                                         std::vector<std::string> variables = {},
                                         std::vector<std::int32_t> code = {});

}  // namespace tavrik::test
