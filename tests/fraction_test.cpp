#include "fraction.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <iterator>
#include <limits>
#include <memory>
#include <optional>
#include <ostream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "cp1251.hpp"
#include "exact_fraction.hpp"
#include "subtraction_gcd.hpp"
#include "test_text.hpp"

namespace {

constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();

// Where fractions built with a nonzero denominator would write their (never written) message.
std::ostream& messages() {
  static std::ostringstream unused;
  return unused;
}

std::string printed(const Fraction& fraction) {
  std::ostringstream out;
  fraction.print(out);
  return out.str();
}

std::string printed(const std::optional<Fraction>& result) {
  return result ? printed(*result) : "refused";
}

TEST(FractionValue, DefaultIsOneWithTheInitialText) {
  const Fraction fraction;
  EXPECT_EQ(fraction.getNumerator(), 1);
  EXPECT_EQ(fraction.getText(), kInitialText);
  EXPECT_EQ(printed(fraction), "1\n");
}

TEST(FractionValue, ZeroDenominatorIsRefusedAndOneStored) {
  std::ostringstream refusal;
  const Fraction fraction(5, 0, refusal);
  EXPECT_EQ(refusal.str(), bytes(u8"ошибка: введите отличный от нуля знаменатель\n"_cp1251));
  EXPECT_EQ(printed(fraction), "5\n");
  EXPECT_EQ(fraction.getText(), kInitialText);
}

TEST(FractionValue, CopiesShareNothing) {
  auto source = std::make_unique<Fraction>(3, -6, messages());
  source->setText("first");
  const Fraction copied(*source);
  Fraction assigned;
  assigned = *source;
  source->setText("");
  EXPECT_STREQ(copied.getText(), "first");
  EXPECT_STREQ(assigned.getText(), "first");

  const Fraction emptyCopy(*source);
  source.reset();
  EXPECT_STREQ(emptyCopy.getText(), "");
  EXPECT_STREQ(assigned.getText(), "first");
  EXPECT_EQ(printed(assigned), "3/-6\n");
}

TEST(FractionValue, SelfAssignmentKeepsEverything) {
  Fraction fraction(2, 4, messages());
  fraction.setText("kept");
  const Fraction& alias = fraction;
  fraction = alias;
  EXPECT_STREQ(fraction.getText(), "kept");
  EXPECT_EQ(printed(fraction), "2/4\n");
}

TEST(FractionValue, SetTextStoresLongTextsWhole) {
  const std::string longText(1000, '\xE9');
  Fraction fraction;
  fraction.setText(longText.c_str());
  EXPECT_EQ(fraction.getText(), longText);
  EXPECT_EQ(Fraction(fraction).getText(), longText);
}

TEST(Gcd, EqualsTheSubtractionMethod) {
  std::vector<std::int32_t> values;
  for (std::int32_t v = -60; v <= 60; ++v) {
    values.push_back(v);
  }
  for (const std::int32_t v : {kMax, -kMax, kMin, kMax - 1, kMin + 2, 1 << 30, -(1 << 30)}) {
    values.push_back(v);
  }
  int compared = 0;
  for (const std::int32_t x : values) {
    for (const std::int32_t y : values) {
      if (const auto expected = subtractionGcd(x, y, 100'000)) {
        EXPECT_EQ(gcd(x, y), *expected) << x << ", " << y;
        ++compared;
      }
    }
  }
  EXPECT_GT(compared, 121 * 121 + 50);
}

TEST(Gcd, KnownValues) {
  struct Case {
    std::int32_t x, y, expected;
  };
  const Case cases[] = {{0, 0, 0},       {0, 7, 7},          {1, 0, 1},      {-4, 6, 2},
                        {4, -2, 2},      {12, 12, 12},       {kMax, 2, 1},   {kMin, 6, 2},
                        {kMin, 0, kMin}, {kMin, kMin, kMin}, {kMax, kMin, 1}};
  for (const auto& [x, y, expected] : cases) {
    EXPECT_EQ(gcd(x, y), expected) << x << ", " << y;
  }
}

TEST(FractionOutput, PrintsAndReduces) {
  struct Case {
    std::int32_t numerator, denominator;
    const char* printed;
    const char* reduced;
  };
  const Case cases[] = {
      {4, 2, "2\n", "2\n"},
      {2, 4, "2/4\n", "1/2\n"},
      {0, 5, "0\n", "0\n"},
      {1, -2, "1/-2\n", "1/-2\n"},
      {0, -1, "0/-1\n", "0/-1\n"},
      {2, -1, "2/-1\n", "2/-1\n"},
      {3, -6, "3/-6\n", "1/-2\n"},
      {-6, -4, "-6/-4\n", "-3/-2\n"},
      {kMin, 2, "-1073741824\n", "-1073741824\n"},
      {kMin, -1, "-2147483648/-1\n", "-2147483648/-1\n"},
      {kMin, kMin, "-2147483648/-2147483648\n", "-1/-1\n"},
      {0, kMin, "0/-2147483648\n", "0/-1\n"},
      {kMax, kMin, "2147483647/-2147483648\n", "2147483647/-2147483648\n"},
  };
  for (const auto& c : cases) {
    Fraction fraction(c.numerator, c.denominator, messages());
    EXPECT_EQ(printed(fraction), c.printed) << c.numerator << "/" << c.denominator;
    fraction.reduce();
    EXPECT_EQ(printed(fraction), c.reduced) << c.numerator << "/" << c.denominator;
  }
}

TEST(FractionOutput, ZeroDenominatorsFromAQuotientNeverFault) {
  const Fraction zero(0, 1, messages());
  const auto quotient = zero / zero;
  if (!quotient) {
    FAIL() << "0 divided by 0 was refused";
  }
  auto zeroOverZero = *quotient;
  EXPECT_EQ(printed(zeroOverZero), "0/0\n");
  zeroOverZero.reduce();
  EXPECT_EQ(printed(zeroOverZero), "0/0\n");
  EXPECT_EQ(printed(Fraction(-7, 2, messages()) / zero), "-1/0\n");
}

using Operation = std::optional<Fraction> (Fraction::*)(Fraction) const;
constexpr Operation kSum = &Fraction::operator+;
constexpr Operation kDifference = &Fraction::operator-;
constexpr Operation kProduct = &Fraction::operator*;
constexpr Operation kQuotient = &Fraction::operator/;

TEST(FractionArithmetic, ExactResultsOrRefusal) {
  struct Case {
    std::int32_t p, q;
    Operation op;
    std::int32_t r, s;
    const char* expected;
  };
  const Case cases[] = {
      {1, 2, kSum, 1, 3, "5/6\n"},
      {1, 2, kSum, 1, 2, "1\n"},
      {1, 2, kDifference, 1, 2, "0\n"},
      {2, 3, kProduct, 3, 4, "1/2\n"},
      {1, 2, kQuotient, 1, 4, "2\n"},
      {1, 2, kQuotient, -1, 4, "2/-1\n"},
      {1, 2, kQuotient, 1, -4, "-2\n"},
      {-1, 2, kSum, 1, 3, "-1/6\n"},
      {0, 2, kProduct, 1, -3, "0/-1\n"},
      {1, -2, kSum, 1, -2, "-1\n"},
      // Results that 32-bit intermediate values would wrap around, or that do not fit.
      {65536, 131072, kProduct, 1, 65536, "1/131072\n"},
      {1, 65536, kProduct, 1, 65536, "refused"},
      {kMin, 1, kDifference, 1, 1, "refused"},
      {kMin, 1, kProduct, 1, 1, "-2147483648\n"},
      {kMax, 1, kSum, kMax, 1, "refused"},
      {kMax, 1, kQuotient, kMax, 1, "1\n"},
      {kMin, kMin, kSum, kMin, kMin, "2\n"},
      {kMin, 1, kQuotient, -1, 1, "-2147483648/-1\n"},
      {kMin, 1, kProduct, -1, 1, "refused"},
      {kMax, kMin, kDifference, kMin, kMax, "refused"},
      {1, kMax, kSum, 1, kMin, "refused"},
      {kMax, kMax - 1, kDifference, kMax - 1, kMax - 2, "refused"},
      {kMin, kMax, kSum, kMax, kMin, "refused"},
      {kMax, 2, kDifference, kMax, 2, "0\n"},
  };
  for (const auto& c : cases) {
    const auto result = (Fraction(c.p, c.q, messages()).*c.op)(Fraction(c.r, c.s, messages()));
    EXPECT_EQ(printed(result), c.expected) << c.p << "/" << c.q << " and " << c.r << "/" << c.s;
    if (result) {
      EXPECT_EQ(result->getText(), kInitialText);
    }
  }
}

#ifdef __SIZEOF_INT128__
// Every operation on a grid of extreme and small operands gives the exact
// reference's answer, refusal included; under the sanitizers it also finds any
// overflow. The numerator and the printed form pin both fields down (0 over a
// positive denominator prints alike for every denominator, and behaves alike).
TEST(FractionArithmetic, ExtremeOperandsMatchTheExactReference) {
  const std::int32_t denominators[] = {kMin, kMin + 1, -kMax + 1, -2, -1, 1, 2, kMax - 1, kMax};
  std::vector<std::int32_t> numerators(std::begin(denominators), std::end(denominators));
  numerators.push_back(0);
  const std::pair<Operation, reference::Operation> operations[] = {
      {kSum, reference::Operation::sum},
      {kDifference, reference::Operation::difference},
      {kProduct, reference::Operation::product},
      {kQuotient, reference::Operation::quotient}};
  int refused = 0;
  for (const std::int32_t p : numerators) {
    for (const std::int32_t q : denominators) {
      for (const std::int32_t r : numerators) {
        for (const std::int32_t s : denominators) {
          for (const auto& [op, exactOp] : operations) {
            const auto result = (Fraction(p, q, messages()).*op)(Fraction(r, s, messages()));
            const auto expected = reference::apply(exactOp, {p, q}, {r, s});
            ASSERT_EQ(printed(result), expected ? reference::printed(*expected) : "refused")
                << p << "/" << q << " and " << r << "/" << s;
            // The printed forms agree: both have a result, or neither has.
            if (result && expected) {
              ASSERT_EQ(result->getNumerator(), expected->numerator);
            } else {
              ++refused;
            }
          }
        }
      }
    }
  }
  // Both answers occur often: refusals on the extremes, exact results elsewhere.
  EXPECT_GT(refused, 1000);
  EXPECT_LT(refused, 10 * 9 * 10 * 9 * 4 - 1000);
}
#endif

}  // namespace
