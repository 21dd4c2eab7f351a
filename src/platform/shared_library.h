// Libraries the player loads with dlopen when it first needs them rather than with the program: the
// sound decoders and the speech libraries bring dozens of libraries of their own, which every start would
// otherwise pay for, whether the game plays a sound or the player wants the text read aloud or not.
// In a browser the libraries are linked into the program, and their functions are found in a table.
#pragma once

#if !defined(__EMSCRIPTEN__)
#include <dlfcn.h>
#endif

#include <optional>
#include <string>
#include <type_traits>

#include "base/messages.h"

namespace tavrik {

#if defined(__EMSCRIPTEN__)
// The function of a library linked into the program (web/linked_libraries.cpp); null when the library
// or the function is not among them.
void* linkedFunction(const char* soname, const char* name);
#endif

// Loads soname and finds each function of table, which findAll(table, find) names one by one with
// find(member, "symbol"). Nothing, with the reason in *why, when the library or one of its functions is
// missing. The library stays loaded for the rest of the process.
template <class Table>
std::optional<Table> loadLibrary(const char* soname, Table table, auto&& findAll, std::string* why) {
#if defined(__EMSCRIPTEN__)
  auto symbol = [soname](const char* name) { return linkedFunction(soname, name); };
#else
  void* library = ::dlopen(soname, RTLD_NOW | RTLD_LOCAL);
  if (!library) {
    const char* error = ::dlerror();
    if (why) *why = error ? error : soname;
    return std::nullopt;
  }
  auto symbol = [library](const char* name) { return ::dlsym(library, name); };
#endif
  bool complete = true;
  auto find = [&](auto& function, const char* name) {
    function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(symbol(name));
    complete = complete && function;
  };
  findAll(table, find);
  if (!complete) {
    if (why) *why = en(MessageId::SoundLibraryIncomplete, {soname});
    return std::nullopt;
  }
  return table;
}

}  // namespace tavrik
