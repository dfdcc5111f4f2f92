// Compares the fraction library with the exact reference on two fractions made
// from the input bytes: the four operations, reduce, gcd and print. Any
// difference is a finding: the run aborts with a line saying what differed.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <limits>
#include <optional>
#include <span>
#include <sstream>
#include <string>
#include <utility>

#include "exact_fraction.hpp"
#include "fraction.hpp"

namespace {

using reference::Fields;
using reference::Operation;

constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();

[[noreturn]] void differs(const char* what) {
  std::cerr << "arithmetic fuzzer: " << what << " differs from the exact reference\n";
  std::abort();
}

void require(bool holds, const char* what) {
  if (!holds) {
    differs(what);
  }
}

// The input bytes in order; past their end every byte reads as 0.
class Bytes {
 public:
  explicit Bytes(std::span<const std::uint8_t> input) : data(input) {}

  std::uint8_t next() { return position < data.size() ? data[position++] : std::uint8_t{0}; }

  std::uint32_t next32() {
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i) {
      value = (value << 8U) | next();
    }
    return value;
  }

 private:
  std::span<const std::uint8_t> data;
  std::size_t position = 0;
};

// One 32-bit field. The top three bits of a selector byte pick a kind and the
// low five bits a parameter, so that zero, ±1, the extremes and their
// neighbours, and powers of two come up far more often than in random words.
std::int32_t field(Bytes& bytes) {
  const std::uint8_t selector = bytes.next();
  const int parameter = selector & 0x1F;
  const auto power = static_cast<std::int32_t>(std::uint32_t{1} << parameter);  // 2^31 is kMin
  switch (selector >> 5U) {
    case 0:
      return parameter - 16;
    case 1:
      return kMin + parameter;
    case 2:
      return kMax - parameter;
    case 3:
      return power;
    case 4:
      return power == kMin ? kMin : -power;
    case 5:
      return power == kMin ? kMax : power - 1;
    default:
      return static_cast<std::int32_t>(bytes.next32());
  }
}

std::string printed(const Fraction& fraction) {
  std::ostringstream out;
  fraction.print(out);
  return out.str();
}

// The fraction holds `expected`: its numerator, and its printed form, which
// writes the denominator out except in the whole-number form. There the
// denominator follows from the numerator and the printed quotient, unless the
// numerator is 0; 0 over a positive d and 0 over 1 behave alike in every
// operation, reduce and print.
void requireHolds(const Fraction& fraction, Fields expected, const char* what) {
  require(fraction.getNumerator() == expected.numerator, what);
  require(printed(fraction) == reference::printed(expected), what);
}

using Member = std::optional<Fraction> (Fraction::*)(Fraction) const;

Member member(Operation operation) {
  switch (operation) {
    case Operation::sum:
      return &Fraction::operator+;
    case Operation::difference:
      return &Fraction::operator-;
    case Operation::product:
      return &Fraction::operator*;
    case Operation::quotient:
      return &Fraction::operator/;
  }
  std::abort();
}

// The library's fraction for p over q and the reference's fields for it. A zero
// denominator is refused by the constructor, so it is reached as the dialogue
// reaches it: p over 1 divided by 0 over 1, which is p over 0 in lowest terms.
std::pair<Fraction, Fields> operand(std::int32_t p, std::int32_t q) {
  std::ostringstream messages;
  if (q != 0) {
    const Fraction fraction(p, q, messages);
    require(messages.str().empty(), "a message for a nonzero denominator");
    return {fraction, Fields{p, q}};
  }
  const Fraction top(p, 1, messages);
  const Fraction zero(0, 1, messages);
  const auto quotient = top / zero;
  const auto expected = reference::apply(Operation::quotient, {p, 1}, {0, 1});
  if (!quotient || !expected) {
    differs("a quotient by zero");
  }
  requireHolds(*quotient, *expected, "a quotient by zero");
  return {*quotient, *expected};
}

void checkPrintAndReduce(const Fraction& fraction, Fields fields) {
  requireHolds(fraction, fields, "print");
  Fraction reduced(fraction);
  reduced.reduce();
  requireHolds(reduced, reference::reduced(fields), "reduce");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Bytes bytes(std::span(data, size));
  const std::int32_t p = field(bytes);
  const std::int32_t q = field(bytes);
  const std::int32_t r = field(bytes);
  const std::int32_t s = field(bytes);

  for (const auto& [x, y] : {std::pair{p, q}, {r, s}, {p, r}, {q, s}, {p, s}, {q, r}}) {
    require(gcd(x, y) == reference::gcd(x, y), "gcd");
  }

  const auto [left, leftFields] = operand(p, q);
  const auto [right, rightFields] = operand(r, s);
  checkPrintAndReduce(left, leftFields);
  checkPrintAndReduce(right, rightFields);

  const Fraction initial;
  for (const Operation operation : reference::kOperations) {
    const auto result = (left.*member(operation))(right);
    const auto expected = reference::apply(operation, leftFields, rightFields);
    require(result.has_value() == expected.has_value(), "refusal");
    if (result && expected) {
      require(reference::isLowestTermsOf(*expected,
                                         reference::formula(operation, leftFields, rightFields)),
              "the reference's own result");
      requireHolds(*result, *expected, "an operation's result");
      require(std::strcmp(result->getText(), initial.getText()) == 0, "a result's text");
      checkPrintAndReduce(*result, *expected);
    }
  }
  return 0;
}
