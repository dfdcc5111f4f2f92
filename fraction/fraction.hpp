#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <ostream>

#include "exact_integer.hpp"

// A fraction of two 32-bit signed integers that also owns a line of text.
//
// Invariant: every Fraction owns exactly one NUL-terminated text buffer, shared
// with no other fraction, from construction to destruction. The sign may sit on
// either field: a negative denominator is kept as it is, never moved to the
// numerator.
//
// Arithmetic is exact. The four operations compute in 64-bit magnitudes, reduce
// to lowest terms and return nothing when the reduced result does not fit in
// 32-bit fields, so no result is ever wrapped around.
class Fraction {
 public:
  // 1 over 1 with the initial text.
  Fraction();
  // top over bottom with the initial text. A zero denominator is refused with a
  // message on `messages` and 1 is stored in its place.
  Fraction(std::int32_t top, std::int32_t bottom, std::ostream& messages);

  Fraction(const Fraction& other);
  Fraction& operator=(const Fraction& other);
  // No moves: a moved-from fraction would be left without its text. So every copy
  // allocates a buffer and copies the text into it, which is what owning the text
  // costs; docs/benchmarks.md counts the allocations of a menu pass.
  ~Fraction() = default;

  [[nodiscard]] std::int32_t getNumerator() const { return numerator; }
  // Valid until the text is replaced or the fraction is destroyed.
  [[nodiscard]] const char* getText() const { return text.get(); }
  // Stores a copy of `newText` up to its terminating NUL, byte for byte.
  void setText(const char* newText);

  // Divides both fields by the gcd of their magnitudes; each field keeps its
  // sign, so 3 over -6 becomes 1 over -2. 0 over 0 stays as it is.
  void reduce();

  // The result carries the initial text, never an operand's. Empty when the
  // reduced result does not fit in 32-bit fields. The quotient does not refuse
  // a zero right numerator; its caller does.
  [[nodiscard]] std::optional<Fraction> operator+(Fraction right) const;
  [[nodiscard]] std::optional<Fraction> operator-(Fraction right) const;
  [[nodiscard]] std::optional<Fraction> operator*(Fraction right) const;
  [[nodiscard]] std::optional<Fraction> operator/(Fraction right) const;

  // Writes the whole number when the denominator is positive and divides the
  // numerator, otherwise numerator "/" denominator; then a line feed and a flush.
  // The fraction itself is not reduced.
  void print(std::ostream& out) const;

 private:
  // The arithmetic result top over bottom in lowest terms, or nothing when it
  // does not fit in 32-bit fields.
  static std::optional<Fraction> fromExact(exact::Integer top, exact::Integer bottom);

  std::int32_t numerator = 1;
  std::int32_t denominator = 1;
  std::unique_ptr<char[]> text;
};

// The greatest common divisor of |x| and |y|; gcd(0, 0) is 0. The magnitude of
// -2147483648 is taken exactly; a result of 2^31 does not fit and comes back as
// -2147483648, the one negative result.
[[nodiscard]] std::int32_t gcd(std::int32_t x, std::int32_t y);
