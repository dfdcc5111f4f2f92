#include "result_commands.hpp"

#include <cstdint>
#include <optional>
#include <ostream>
#include <string_view>

#include "cp1251.hpp"
#include "fraction.hpp"
#include "menu_state.hpp"

using namespace cp1251::literals;

namespace {

constexpr auto kNothingEntered = u8"Числа не введены \n"_cp1251;
constexpr auto kSecondMissing = u8"Пожалуйста введите второе число \n"_cp1251;
constexpr auto kDivisionByZero =
    u8"Деление не допустимо: второе число должно быть отлично от нуля!!!\n"_cp1251;
constexpr auto kOverflow =
    u8"Переполнение: результат не помещается в 32-битные целые числа!!!\n"_cp1251;
constexpr auto kSumHeading = u8"Сумма введенных чисел равна: \n"_cp1251;
constexpr auto kDifferenceHeading = u8"Разность введенных чисел равна: \n"_cp1251;
constexpr auto kProductHeading = u8"Произведение введенных чисел равно: \n"_cp1251;
constexpr auto kQuotientHeading = u8"Деленное введенных чисел равно: \n"_cp1251;
constexpr auto kReductionHeading = u8"Сокращение введенных чисел равно: \n"_cp1251;

// A result that does not fit is refused and leaves the result holder as it was.
void showResult(const std::optional<Fraction>& result, std::string_view heading, MenuState& state,
                std::ostream& out) {
  if (!result) {
    out << kOverflow;
    return;
  }
  out << heading;
  state.c = *result;
  state.c.print(out);
}

// Reduces the entered fractions in place: both are reduced before either is printed.
void reduceEntered(MenuState& state, std::ostream& out) {
  if (state.remaining == 2) {
    out << kNothingEntered << std::endl;
    return;
  }
  out << kReductionHeading;
  state.a->reduce();
  if (state.remaining == 0) {
    state.b->reduce();
  }
  state.a->print(out);
  if (state.remaining == 0) {
    state.b->print(out);
  }
}

}  // namespace

void runResultCommand(std::int32_t item, MenuState& state, std::ostream& out) {
  if (item == 6) {
    reduceEntered(state, out);
    return;
  }
  if (state.remaining == 2) {
    out << kNothingEntered;
    return;
  }
  if (state.remaining == 1) {
    out << kSecondMissing;
    return;
  }
  const Fraction& a = *state.a;
  const Fraction& b = *state.b;
  switch (item) {
    case 2:
      showResult(a + b, kSumHeading.view(), state, out);
      break;
    case 3:
      showResult(a - b, kDifferenceHeading.view(), state, out);
      break;
    case 4:
      showResult(a * b, kProductHeading.view(), state, out);
      break;
    case 5:
      if (b.getNumerator() == 0) {
        out << kDivisionByZero;
        return;
      }
      showResult(a / b, kQuotientHeading.view(), state, out);
      break;
    default:
      break;
  }
}
