#pragma once

// Compile-time conversion of UTF-8 source literals to Windows-1251 bytes, the
// code page's table for conversions at run time (characterOf, byteOf), and the
// program's one UTF-8 decoder and encoder (decodeUtf8, encodeUtf8).
//
// The program talks to its user in Windows-1251, one byte per Cyrillic letter,
// whatever the compiler's execution character set. The sources keep readable
// Russian text: u8"Сумма"_cp1251 is converted while compiling into the bytes
// D1 F3 EC EC E0 and a terminating NUL. A character that Windows-1251 cannot
// represent, or malformed UTF-8 (an overlong form, a surrogate, a code point
// past U+10FFFF, a sequence cut short), stops the compilation.

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
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

// Deliberately not constexpr: reaching either during constant evaluation is a
// compile error, whose message names it.
void notRepresentableInWindows1251();
void malformedUtf8();

// Code points of the bytes 0x80 to 0xBF; 0x98 is unassigned. 0xC0 to 0xFF are А to я in order.
// Held as char32_t, the type every decoded character has, so that no comparison
// mixes character types.
inline constexpr std::array<char32_t, 64> kUpperHalf = {
    U'\u0402', U'\u0403', U'\u201A', U'\u0453', U'\u201E', U'\u2026', U'\u2020', U'\u2021',
    U'\u20AC', U'\u2030', U'\u0409', U'\u2039', U'\u040A', U'\u040C', U'\u040B', U'\u040F',
    U'\u0452', U'\u2018', U'\u2019', U'\u201C', U'\u201D', U'\u2022', U'\u2013', U'\u2014',
    U'\0',     U'\u2122', U'\u0459', U'\u203A', U'\u045A', U'\u045C', U'\u045B', U'\u045F',
    U'\u00A0', U'\u040E', U'\u045E', U'\u0408', U'\u00A4', U'\u0490', U'\u00A6', U'\u00A7',
    U'\u0401', U'\u00A9', U'\u0404', U'\u00AB', U'\u00AC', U'\u00AD', U'\u00AE', U'\u0407',
    U'\u00B0', U'\u00B1', U'\u0406', U'\u0456', U'\u0491', U'\u00B5', U'\u00B6', U'\u00B7',
    U'\u0451', U'\u2116', U'\u0454', U'\u00BB', U'\u0458', U'\u0405', U'\u0455', U'\u0457',
};

inline constexpr char32_t kCyrillicCapitalA = U'\u0410';
inline constexpr char32_t kCyrillicSmallYa = U'\u044F';

}  // namespace detail

// The character a Windows-1251 byte stands for; U+FFFD for 0x98, which stands for none.
constexpr char32_t characterOf(unsigned char byte) {
  if (byte < 0x80U) {
    return byte;
  }
  if (byte >= 0xC0U) {
    return static_cast<char32_t>(detail::kCyrillicCapitalA + (byte - 0xC0U));
  }
  const char32_t character = detail::kUpperHalf.at(byte - 0x80U);
  return character == U'\0' ? U'\uFFFD' : character;
}

// The Windows-1251 byte of a character, or nothing where the code page has none.
constexpr std::optional<unsigned char> byteOf(char32_t character) {
  if (character < 0x80) {
    return static_cast<unsigned char>(character);
  }
  if (character >= detail::kCyrillicCapitalA && character <= detail::kCyrillicSmallYa) {
    return static_cast<unsigned char>(0xC0 + (character - detail::kCyrillicCapitalA));
  }
  for (std::size_t i = 0; i < detail::kUpperHalf.size(); ++i) {
    if (detail::kUpperHalf.at(i) != U'\0' && detail::kUpperHalf.at(i) == character) {
      return static_cast<unsigned char>(0x80 + i);
    }
  }
  return std::nullopt;
}

// UTF-8, decoded and encoded in one place for the whole program: the
// compile-time literals below and, at run time, the terminal's history file.

// Decodes the UTF-8 sequence that starts at units[position], of the first
// `end` units, and advances position past it; nothing where the sequence is
// malformed, position then past the lead unit alone. Only the shortest form of a
// scalar value is UTF-8: an overlong form, a surrogate, a code point past
// U+10FFFF, a stray continuation unit and a sequence cut short are all malformed.
template <typename Units>
constexpr std::optional<char32_t> decodeUtf8(const Units& units, std::size_t& position,
                                             std::size_t end) {
  const auto unitAt = [&units](std::size_t index) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(units[index]));
  };
  const std::uint32_t lead = unitAt(position++);
  std::size_t continuation = 0;
  std::uint32_t smallest = 0;  // the least code point that needs this many units
  std::uint32_t codePoint = lead;
  if (lead < 0x80U) {
    return static_cast<char32_t>(codePoint);
  }
  if (lead >= 0xC0U && lead < 0xE0U) {
    continuation = 1;
    smallest = 0x80U;
    codePoint = lead & 0x1FU;
  } else if (lead >= 0xE0U && lead < 0xF0U) {
    continuation = 2;
    smallest = 0x800U;
    codePoint = lead & 0x0FU;
  } else if (lead >= 0xF0U && lead < 0xF8U) {
    continuation = 3;
    smallest = 0x10000U;
    codePoint = lead & 0x07U;
  } else {
    return std::nullopt;  // a continuation unit where a character should start, or no lead unit
  }
  std::size_t next = position;
  for (; continuation > 0; --continuation, ++next) {
    if (next >= end || (unitAt(next) & 0xC0U) != 0x80U) {
      return std::nullopt;
    }
    codePoint = (codePoint << 6U) | (unitAt(next) & 0x3FU);
  }
  const bool surrogate = codePoint >= 0xD800U && codePoint <= 0xDFFFU;
  if (codePoint < smallest || surrogate || codePoint > 0x10FFFFU) {
    return std::nullopt;
  }
  position = next;
  return static_cast<char32_t>(codePoint);
}

// The UTF-8 of a scalar value, written at `out` (room for 4 units); its length.
constexpr std::size_t encodeUtf8(char32_t character, char* out) {
  const auto value = static_cast<std::uint32_t>(character);
  const auto unit = [](std::uint32_t bits) {
    return static_cast<char>(static_cast<unsigned char>(bits));
  };
  if (value < 0x80U) {
    out[0] = unit(value);
    return 1;
  }
  if (value < 0x800U) {
    out[0] = unit(0xC0U | (value >> 6U));
    out[1] = unit(0x80U | (value & 0x3FU));
    return 2;
  }
  if (value < 0x10000U) {
    out[0] = unit(0xE0U | (value >> 12U));
    out[1] = unit(0x80U | ((value >> 6U) & 0x3FU));
    out[2] = unit(0x80U | (value & 0x3FU));
    return 3;
  }
  out[0] = unit(0xF0U | (value >> 18U));
  out[1] = unit(0x80U | ((value >> 12U) & 0x3FU));
  out[2] = unit(0x80U | ((value >> 6U) & 0x3FU));
  out[3] = unit(0x80U | (value & 0x3FU));
  return 4;
}

namespace detail {

consteval unsigned char encode(char32_t codePoint) {
  const std::optional<unsigned char> byte = byteOf(codePoint);
  if (!byte) {
    notRepresentableInWindows1251();
    return 0;
  }
  return *byte;
}

// The literal's character at units[position]; malformed UTF-8 stops the
// compilation. The literal's terminating NUL is no continuation unit, so a
// sequence cut short stops there.
template <std::size_t Size>
consteval char32_t decodeAt(const std::array<char8_t, Size>& units, std::size_t& position) {
  const std::optional<char32_t> character = decodeUtf8(units, position, Size);
  if (!character) {
    malformedUtf8();
    return 0;
  }
  return *character;
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
