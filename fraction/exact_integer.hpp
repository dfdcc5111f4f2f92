#pragma once

#include <concepts>
#include <cstdint>
#include <limits>
#include <optional>
#include <utility>

// Exact integers for fraction arithmetic on 32-bit fields.
//
// Every value the four fraction operations form is a product of two 32-bit
// fields, whose magnitude is at most 2^31 * 2^31 = 2^62, or the sum or
// difference of two such products, at most 2^63. A sign with a 64-bit unsigned
// magnitude therefore holds all of them exactly; no step can overflow.

namespace exact {

// Euclid's algorithm. One remainder step x mod y stands for the whole run of
// subtractions x - y, x - 2y, ... that the subtraction method would take while
// x > y, and that method ends on the same value: the gcd of the two magnitudes,
// or the other value when one of them is 0 (so gcd(0, 0) is 0).
// 32-bit arguments stay in 32-bit division, which is the faster one.
template <std::unsigned_integral Unsigned>
[[nodiscard]] constexpr Unsigned gcd(Unsigned x, Unsigned y) {
  while (y != 0) {
    x %= y;
    std::swap(x, y);
  }
  return x;
}

// |value| without overflow, -2147483648 included.
[[nodiscard]] constexpr std::uint32_t magnitude(std::int32_t value) {
  const auto bits = static_cast<std::uint32_t>(value);
  return value < 0 ? 0U - bits : bits;
}

// Zero is never negative.
struct Integer {
  bool negative = false;
  std::uint64_t magnitude = 0;
};

[[nodiscard]] constexpr Integer product(std::int32_t x, std::int32_t y) {
  const std::uint64_t result = std::uint64_t{exact::magnitude(x)} * exact::magnitude(y);
  return {.negative = result != 0 && (x < 0) != (y < 0), .magnitude = result};
}

// Operands are at most 2^62 in magnitude, so the sum is at most 2^63.
[[nodiscard]] constexpr Integer operator+(Integer x, Integer y) {
  if (x.negative == y.negative) {
    return {.negative = x.negative, .magnitude = x.magnitude + y.magnitude};
  }
  if (x.magnitude >= y.magnitude) {
    const std::uint64_t difference = x.magnitude - y.magnitude;
    return {.negative = x.negative && difference != 0, .magnitude = difference};
  }
  return {.negative = y.negative, .magnitude = y.magnitude - x.magnitude};
}

[[nodiscard]] constexpr Integer operator-(Integer x, Integer y) {
  y.negative = !y.negative && y.magnitude != 0;
  return x + y;
}

// The value as a 32-bit signed integer, or nothing when it is out of range.
[[nodiscard]] constexpr std::optional<std::int32_t> toInt32(Integer value) {
  constexpr std::uint64_t kMaxPositive = std::numeric_limits<std::int32_t>::max();
  if (!value.negative) {
    if (value.magnitude > kMaxPositive) {
      return std::nullopt;
    }
    return static_cast<std::int32_t>(value.magnitude);
  }
  if (value.magnitude > kMaxPositive + 1) {
    return std::nullopt;
  }
  // -(magnitude - 1) - 1 stays inside the range for a magnitude of 2^31 too.
  return static_cast<std::int32_t>(-static_cast<std::int32_t>(value.magnitude - 1) - 1);
}

}  // namespace exact
