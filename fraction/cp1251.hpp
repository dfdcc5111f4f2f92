#pragma once

// Compile-time conversion of UTF-8 source literals to Windows-1251 bytes.
//
// The program talks to its user in Windows-1251, one byte per Cyrillic letter,
// whatever the compiler's execution character set. The sources keep readable
// Russian text: u8"Сумма"_cp1251 is converted while compiling into the bytes
// D1 F3 EC EC E0 and a terminating NUL. A character that Windows-1251 cannot
// represent, or malformed UTF-8, stops the compilation.

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <ostream>
#include <string_view>

namespace cp1251 {

// A NUL-terminated Windows-1251 string of Size - 1 characters.
template <std::size_t Size>
struct Text {
  std::array<char, Size> bytes{};

  [[nodiscard]] constexpr const char* c_str() const& { return bytes.data(); }
  [[nodiscard]] constexpr std::string_view view() const& { return {bytes.data(), Size - 1}; }
  // A view of a temporary would dangle.
  [[nodiscard]] const char* c_str() const&& = delete;
  [[nodiscard]] std::string_view view() const&& = delete;
};

template <std::size_t Size>
std::ostream& operator<<(std::ostream& out, const Text<Size>& text) {
  return out.write(text.bytes.data(), static_cast<std::streamsize>(Size - 1));
}

// A u8 string literal carried as a template argument of the literal operator.
template <std::size_t Size>
struct Utf8Literal {
  std::array<char8_t, Size> units{};

  // NOLINTNEXTLINE(google-explicit-constructor): the literal operator needs the implicit form
  consteval Utf8Literal(const char8_t (&literal)[Size]) {
    std::copy_n(literal, Size, units.data());
  }
};

namespace detail {

// Deliberately not constexpr: reaching it during constant evaluation is a compile error.
void notRepresentableInWindows1251();

// Code points of the bytes 0x80 to 0xBF; 0x98 is unassigned. 0xC0 to 0xFF are А to я in order.
inline constexpr std::array<char16_t, 64> kUpperHalf = {
    u'\u0402', u'\u0403', u'\u201A', u'\u0453', u'\u201E', u'\u2026', u'\u2020', u'\u2021',
    u'\u20AC', u'\u2030', u'\u0409', u'\u2039', u'\u040A', u'\u040C', u'\u040B', u'\u040F',
    u'\u0452', u'\u2018', u'\u2019', u'\u201C', u'\u201D', u'\u2022', u'\u2013', u'\u2014',
    u'\0',     u'\u2122', u'\u0459', u'\u203A', u'\u045A', u'\u045C', u'\u045B', u'\u045F',
    u'\u00A0', u'\u040E', u'\u045E', u'\u0408', u'\u00A4', u'\u0490', u'\u00A6', u'\u00A7',
    u'\u0401', u'\u00A9', u'\u0404', u'\u00AB', u'\u00AC', u'\u00AD', u'\u00AE', u'\u0407',
    u'\u00B0', u'\u00B1', u'\u0406', u'\u0456', u'\u0491', u'\u00B5', u'\u00B6', u'\u00B7',
    u'\u0451', u'\u2116', u'\u0454', u'\u00BB', u'\u0458', u'\u0405', u'\u0455', u'\u0457',
};

inline constexpr char32_t kCyrillicCapitalA = U'\u0410';
inline constexpr char32_t kCyrillicSmallYa = U'\u044F';

consteval unsigned char encode(char32_t codePoint) {
  if (codePoint < 0x80) {
    return static_cast<unsigned char>(codePoint);
  }
  if (codePoint >= kCyrillicCapitalA && codePoint <= kCyrillicSmallYa) {
    return static_cast<unsigned char>(0xC0 + (codePoint - kCyrillicCapitalA));
  }
  for (std::size_t i = 0; i < kUpperHalf.size(); ++i) {
    if (kUpperHalf.at(i) != u'\0' && kUpperHalf.at(i) == codePoint) {
      return static_cast<unsigned char>(0x80 + i);
    }
  }
  notRepresentableInWindows1251();
  return 0;
}

// Decodes the UTF-8 sequence starting at units[position] and advances position past it.
template <std::size_t Size>
consteval char32_t decodeAt(const std::array<char8_t, Size>& units, std::size_t& position) {
  const char8_t lead = units.at(position++);
  std::size_t continuation = 0;
  char32_t codePoint = lead;
  if (lead >= 0xE0 && lead < 0xF0) {
    continuation = 2;
    codePoint = lead & 0x0FU;
  } else if (lead >= 0xC0 && lead < 0xE0) {
    continuation = 1;
    codePoint = lead & 0x1FU;
  } else if (lead >= 0x80) {
    notRepresentableInWindows1251();  // a stray continuation byte or a 4-byte sequence
  }
  for (; continuation > 0; --continuation) {
    const char8_t unit = units.at(position++);
    if ((unit & 0xC0U) != 0x80U) {
      notRepresentableInWindows1251();
    }
    codePoint = (codePoint << 6U) | (unit & 0x3FU);
  }
  return codePoint;
}

// The number of characters before the terminating NUL.
template <std::size_t Size>
consteval std::size_t characterCount(const std::array<char8_t, Size>& units) {
  std::size_t count = 0;
  for (std::size_t position = 0; position + 1 < Size; ++count) {
    decodeAt(units, position);
  }
  return count;
}

}  // namespace detail

inline namespace literals {

template <Utf8Literal Source>
consteval auto operator""_cp1251() {
  constexpr std::size_t kLength = detail::characterCount(Source.units);
  Text<kLength + 1> result{};
  std::size_t position = 0;
  for (std::size_t i = 0; i < kLength; ++i) {
    result.bytes.at(i) =
        static_cast<char>(detail::encode(detail::decodeAt(Source.units, position)));
  }
  return result;
}

}  // namespace literals

}  // namespace cp1251
