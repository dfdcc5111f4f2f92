#include "fraction.hpp"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <ostream>
#include <utility>

#include "cp1251.hpp"
#include "exact_integer.hpp"

using namespace cp1251::literals;

namespace {

constexpr auto kInitialText = u8"Строка инициализирована"_cp1251;
constexpr auto kZeroDenominator = u8"ошибка: введите отличный от нуля знаменатель"_cp1251;

// The size of the text buffer that a newly constructed fraction starts with.
constexpr std::size_t kConstructedTextSize = 50;
static_assert(kInitialText.view().size() < kConstructedTextSize);

std::unique_ptr<char[]> initialText() {
  auto buffer = std::make_unique<char[]>(kConstructedTextSize);
  std::memcpy(buffer.get(), kInitialText.c_str(), kInitialText.view().size() + 1);
  return buffer;
}

// A buffer of exactly the text's length plus its terminator. It is left
// uninitialised, since the copy fills every byte (std::make_unique would zero it
// first; make_unique_for_overwrite is missing from libc++ before 16).
std::unique_ptr<char[]> copyOf(const char* source) {
  const std::size_t size = std::strlen(source) + 1;
  std::unique_ptr<char[]> buffer(new char[size]);
  std::memcpy(buffer.get(), source, size);
  return buffer;
}

}  // namespace

Fraction::Fraction() : text(initialText()) {}

Fraction::Fraction(std::int32_t top, std::int32_t bottom, std::ostream& messages)
    : numerator(top), text(initialText()) {
  if (bottom == 0) {
    messages << kZeroDenominator << std::endl;
  } else {
    denominator = bottom;
  }
}

Fraction::Fraction(const Fraction& other)
    : numerator(other.numerator), denominator(other.denominator), text(copyOf(other.getText())) {}

Fraction& Fraction::operator=(const Fraction& other) {
  if (this == &other) {
    return *this;
  }
  text = copyOf(other.getText());
  numerator = other.numerator;
  denominator = other.denominator;
  return *this;
}

void Fraction::setText(const char* newText) { text = copyOf(newText); }

void Fraction::reduce() {
  const std::uint64_t divisor =
      exact::gcd(exact::magnitude(numerator), exact::magnitude(denominator));
  if (divisor == 0) {
    return;  // 0 over 0
  }
  // The quotients are no larger in magnitude than the fields, and keep their signs.
  const auto wideDivisor = static_cast<std::int64_t>(divisor);
  numerator = static_cast<std::int32_t>(numerator / wideDivisor);
  denominator = static_cast<std::int32_t>(denominator / wideDivisor);
}

std::optional<Fraction> Fraction::fromExact(exact::Integer top, exact::Integer bottom) {
  const std::uint64_t divisor = exact::gcd(top.magnitude, bottom.magnitude);
  if (divisor != 0) {
    top.magnitude /= divisor;
    bottom.magnitude /= divisor;
  }
  const auto fittedNumerator = exact::toInt32(top);
  const auto fittedDenominator = exact::toInt32(bottom);
  // One named result on every path, so it is built in the caller's storage
  // (named return value optimisation) and its text is never copied on return.
  std::optional<Fraction> result;
  if (fittedNumerator && fittedDenominator) {
    // A default fraction, which carries the initial text, with the new fields.
    result.emplace();
    result->numerator = *fittedNumerator;
    result->denominator = *fittedDenominator;
  }
  return result;
}

std::optional<Fraction> Fraction::operator+(Fraction right) const {
  return fromExact(
      exact::product(numerator, right.denominator) + exact::product(denominator, right.numerator),
      exact::product(denominator, right.denominator));
}

std::optional<Fraction> Fraction::operator-(Fraction right) const {
  return fromExact(
      exact::product(numerator, right.denominator) - exact::product(denominator, right.numerator),
      exact::product(denominator, right.denominator));
}

std::optional<Fraction> Fraction::operator*(Fraction right) const {
  return fromExact(exact::product(numerator, right.numerator),
                   exact::product(denominator, right.denominator));
}

std::optional<Fraction> Fraction::operator/(Fraction right) const {
  return fromExact(exact::product(numerator, right.denominator),
                   exact::product(denominator, right.numerator));
}

void Fraction::print(std::ostream& out) const {
  // A positive denominator equal to the gcd divides the numerator: the whole-number
  // form. A zero or negative denominator always takes the numerator/denominator form.
  const std::uint64_t divisor =
      exact::gcd(exact::magnitude(numerator), exact::magnitude(denominator));
  if (denominator > 0 && std::cmp_equal(divisor, denominator)) {
    out << numerator / denominator;
  } else {
    out << numerator << '/' << denominator;
  }
  out << std::endl;
}

std::int32_t gcd(std::int32_t x, std::int32_t y) {
  // A result of 2^31 wraps to -2147483648, exactly as a 32-bit result would.
  return static_cast<std::int32_t>(exact::gcd(exact::magnitude(x), exact::magnitude(y)));
}
