// What the browser build's C++ library (emscripten 3.1's libc++) lacks of C++20, given to every C++
// file of the player from the compiler's own built-ins.
#pragma once

#include <bit>
#include <cerrno>
#include <charconv>
#include <cstddef>
#include <cstdlib>
#include <memory>
#include <string>
#include <type_traits>

#if !defined(__cpp_lib_bit_cast)
namespace std {
template <class To, class From>
requires(sizeof(To) == sizeof(From) && is_trivially_copyable_v<To> &&
         is_trivially_copyable_v<From>) constexpr To bit_cast(const From& from) noexcept {
  return __builtin_bit_cast(To, from);
}
}  // namespace std
#endif

#if !defined(__cpp_lib_smart_ptr_for_overwrite)
namespace std {
template <class T>
requires is_unbounded_array_v<T> unique_ptr<T> make_unique_for_overwrite(size_t n) {
  return unique_ptr<T>(new remove_extent_t<T>[n]);
}
}  // namespace std
#endif

// Floating point read as from_chars reads it (no leading '+', no hexadecimal form in the general
// format), converted by strtof and strtod, which round alike.
#if !defined(__cpp_lib_to_chars)
namespace std {
template <class T>
requires(is_same_v<T, float> || is_same_v<T, double>) from_chars_result
    from_chars(const char* first, const char* last, T& value, chars_format = chars_format::general) {
  auto digit = [](char c) { return c >= '0' && c <= '9'; };
  const char* at = first;
  if (at < last && *at == '-') ++at;
  const char* digits = at;
  while (at < last && digit(*at)) ++at;
  bool any = at > digits;
  if (at < last && *at == '.') {
    const char* fraction = ++at;
    while (at < last && digit(*at)) ++at;
    any = any || at > fraction;
  }
  if (!any) return {first, errc::invalid_argument};
  if (at < last && (*at == 'e' || *at == 'E')) {
    const char* exponent = at + 1;
    if (exponent < last && (*exponent == '+' || *exponent == '-')) ++exponent;
    if (exponent < last && digit(*exponent)) {
      while (exponent < last && digit(*exponent)) ++exponent;
      at = exponent;
    }
  }
  const string text(first, at);
  errno = 0;
  const T read = is_same_v<T, float> ? strtof(text.c_str(), nullptr) : strtod(text.c_str(), nullptr);
  if (errno == ERANGE) return {at, errc::result_out_of_range};
  value = read;
  return {at, errc{}};
}
}  // namespace std
#endif
