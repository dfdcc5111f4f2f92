#pragma once

#include <cstddef>
#include <string>

#include "cp1251.hpp"

using namespace cp1251::literals;

// Windows-1251 bytes of a converted literal as a std::string, for building expected output.
template <std::size_t Size>
std::string bytes(const cp1251::Text<Size>& text) {
  return std::string{text.view()};
}

// The text every newly constructed fraction, and so every arithmetic result, starts with.
// Built before main: a failed allocation there ends the test program, as it should.
// NOLINTNEXTLINE(bugprone-throwing-static-initialization)
inline const std::string kInitialText = bytes(u8"Строка инициализирована"_cp1251);
