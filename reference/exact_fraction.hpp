#pragma once

#include <cstdint>
#include <limits>
#include <optional>
#include <string>

// Exact fraction arithmetic on 32-bit fields in signed 128-bit integers, kept
// as plain as possible so that it can judge the fraction library: every value
// the formulas form (at most 2^63 in magnitude) and every cross-multiplied
// check (at most 2^95) fits with room to spare, so nothing here can overflow.
//
// Only where the compiler has a 128-bit integer (GCC and Clang; not MSVC):
// the checks that use it are left out elsewhere.
#ifdef __SIZEOF_INT128__

namespace reference {

// Signed 128 bits: a compiler extension, hence the marker that keeps -Wpedantic quiet.
// NOLINTNEXTLINE(modernize-use-using): __extension__ applies to a typedef only
__extension__ typedef __int128 Wide;

struct Fields {
  std::int32_t numerator = 0;
  std::int32_t denominator = 0;
  friend bool operator==(const Fields&, const Fields&) = default;
};

enum class Operation : std::uint8_t { sum, difference, product, quotient };
inline constexpr Operation kOperations[] = {Operation::sum, Operation::difference,
                                            Operation::product, Operation::quotient};

[[nodiscard]] constexpr Wide absolute(Wide value) { return value < 0 ? -value : value; }

// Binary gcd (Stein's method) of two non-negative values; gcd(0, 0) is 0.
[[nodiscard]] constexpr Wide binaryGcd(Wide x, Wide y) {
  if (x == 0 || y == 0) {
    return x + y;
  }
  int sharedTwos = 0;
  while (((x | y) & 1) == 0) {
    x >>= 1;
    y >>= 1;
    ++sharedTwos;
  }
  while ((x & 1) == 0) {
    x >>= 1;
  }
  while (y != 0) {
    while ((y & 1) == 0) {
      y >>= 1;
    }
    if (x > y) {
      const Wide smaller = y;
      y = x;
      x = smaller;
    }
    y -= x;
  }
  return x << sharedTwos;
}

[[nodiscard]] constexpr bool fits(Wide value) {
  return value >= std::numeric_limits<std::int32_t>::min() &&
         value <= std::numeric_limits<std::int32_t>::max();
}

// The gcd of the exact magnitudes as a 32-bit result: 2^31 comes back as -2147483648.
[[nodiscard]] constexpr std::int32_t gcd(std::int32_t x, std::int32_t y) {
  const Wide divisor = binaryGcd(absolute(x), absolute(y));
  constexpr Wide kTwoToThe31 = Wide{1} << 31;
  return divisor == kTwoToThe31 ? std::numeric_limits<std::int32_t>::min()
                                : static_cast<std::int32_t>(divisor);
}

// top over bottom divided by the gcd of the magnitudes, each keeping its own
// sign (0 over 0 stays), or nothing when a reduced field leaves 32 bits.
[[nodiscard]] constexpr std::optional<Fields> lowestTerms(Wide top, Wide bottom) {
  const Wide divisor = binaryGcd(absolute(top), absolute(bottom));
  if (divisor != 0) {
    top /= divisor;
    bottom /= divisor;
  }
  if (!fits(top) || !fits(bottom)) {
    return std::nullopt;
  }
  return Fields{static_cast<std::int32_t>(top), static_cast<std::int32_t>(bottom)};
}

// The fraction in lowest terms. Division never makes a field larger in
// magnitude, so both quotients fit in 32 bits; 0 over 0 stays.
[[nodiscard]] constexpr Fields reduced(Fields value) {
  const Wide divisor = binaryGcd(absolute(value.numerator), absolute(value.denominator));
  if (divisor == 0) {
    return value;
  }
  return Fields{static_cast<std::int32_t>(value.numerator / divisor),
                static_cast<std::int32_t>(value.denominator / divisor)};
}

// The formula's unreduced numerator and denominator, left p over q, right r over s.
struct Unreduced {
  Wide top = 0;
  Wide bottom = 0;
};

[[nodiscard]] constexpr Unreduced formula(Operation operation, Fields left, Fields right) {
  const Wide p = left.numerator;
  const Wide q = left.denominator;
  const Wide r = right.numerator;
  const Wide s = right.denominator;
  switch (operation) {
    case Operation::sum:
      return {p * s + q * r, q * s};
    case Operation::difference:
      return {p * s - q * r, q * s};
    case Operation::product:
      return {p * r, q * s};
    case Operation::quotient:
      return {p * s, q * r};
  }
  return {};
}

[[nodiscard]] constexpr std::optional<Fields> apply(Operation operation, Fields left,
                                                    Fields right) {
  const auto [top, bottom] = formula(operation, left, right);
  return lowestTerms(top, bottom);
}

[[nodiscard]] constexpr int signOf(Wide value) {
  if (value < 0) {
    return -1;
  }
  return value > 0 ? 1 : 0;
}

// Whether `result` is the unreduced formula's value written in lowest terms:
// the same rational (cross-multiplied), coprime fields (0 over 0 only for 0
// over 0), and each field with the sign the formula gave it.
[[nodiscard]] constexpr bool isLowestTermsOf(Fields result, Unreduced exact) {
  const Wide n = result.numerator;
  const Wide d = result.denominator;
  const bool sameValue = n * exact.bottom == exact.top * d;
  const bool zeroMatchesZero = (n == 0) == (exact.top == 0) && (d == 0) == (exact.bottom == 0);
  const Wide divisor = binaryGcd(absolute(n), absolute(d));
  const bool coprime = exact.top == 0 && exact.bottom == 0 ? divisor == 0 : divisor == 1;
  const bool signsKept = signOf(n) == signOf(exact.top) && signOf(d) == signOf(exact.bottom);
  return sameValue && zeroMatchesZero && coprime && signsKept;
}

// What print writes: the whole number when the denominator is positive and
// divides the numerator, otherwise numerator "/" denominator; then a line feed.
[[nodiscard]] inline std::string printed(Fields value) {
  if (value.denominator > 0 && value.numerator % value.denominator == 0) {
    return std::to_string(value.numerator / value.denominator) + "\n";
  }
  return std::to_string(value.numerator) + "/" + std::to_string(value.denominator) + "\n";
}

}  // namespace reference

#endif  // __SIZEOF_INT128__
