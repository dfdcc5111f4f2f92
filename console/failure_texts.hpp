#pragma once

#include "cp1251.hpp"

// The only texts the program writes to standard error; every dialogue message
// goes to standard output.
namespace failure_texts {

using namespace cp1251::literals;

inline constexpr auto kWriteFailed = u8"Ошибка записи в стандартный вывод\n"_cp1251;
inline constexpr auto kReadFailed = u8"Ошибка чтения стандартного ввода\n"_cp1251;
inline constexpr auto kOutOfMemory = u8"Недостаточно памяти\n"_cp1251;

}  // namespace failure_texts
