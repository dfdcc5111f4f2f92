#include "dialogue.hpp"

#include <cstdint>
#include <ios>
#include <istream>
#include <limits>
#include <memory>
#include <ostream>
#include <string>

#include "cp1251.hpp"
#include "fraction.hpp"
#include "menu_state.hpp"
#include "result_commands.hpp"

using namespace cp1251::literals;

namespace {

constexpr auto kHeading = u8"\nВводятся два рациональных числа"_cp1251;
constexpr auto kMenu =
    u8"\n\n1: Вводить числитель и знаменатель дроби"
    u8"\n2: Сумма введенных чисел"
    u8"\n3: Разность введенных чисел"
    u8"\n4: Умножение введенных чисел"
    u8"\n5: Деление введенных чисел"
    u8"\n6: Сокращение дроби"
    u8"\n7: Ввод строки"
    u8"\n8: Печать строки"
    u8"\n9:Выход"
    u8"\nВведите номер(1-9): "_cp1251;
constexpr auto kWrongItem = u8"Пожалуйста введите правильный номер(1-9)!!!"_cp1251;
constexpr auto kAlreadyEntered = u8"Числа уже введены \n"_cp1251;
constexpr auto kUnreadableFraction =
    u8"Пожалуйста введите числитель и знаменатель целыми числами от -2147483648 до 2147483647"_cp1251;
constexpr auto kZeroDenominator = u8"Пожалуйста введите отличный от нуля знаменатель"_cp1251;
constexpr auto kEnterLine = u8"Введите строку: \n"_cp1251;
constexpr auto kStoredLine = u8"Вывод строки: \n"_cp1251;

// How a read went. `ended` covers the end of input, a failed read and a failed
// output alike; endOfRun() tells them apart.
enum class Read : std::uint8_t { value, unreadable, ended };

// What the dialogue does after an item has been answered.
enum class Next : std::uint8_t { nextPass, ended, exit };

// Every read flushes the output first, so a prompt is on screen before the
// program waits (the input is not tied to the output). A failed flush stops the
// run there: nothing more is read once the output is gone.

// Reads one integer the way formatted extraction does: leading white space is
// skipped and whatever follows the digits stays for the next read. Input that
// cannot be read as a 32-bit integer is refused as a whole line, so a failed
// read never leaves the stream stuck.
Read readInteger(std::istream& in, std::ostream& out, std::int32_t& value) {
  if (!out.flush()) {
    return Read::ended;
  }
  value = 0;
  if (in >> value) {
    return Read::value;
  }
  // A failure at the end of input with no number taken (only white space or a
  // lone sign before the end; the value is then left 0, while a number out of
  // range stores the nearest limit) is the end of input, as is a read error.
  if (in.bad() || (in.eof() && value == 0)) {
    return Read::ended;
  }
  in.clear();
  in.ignore(std::numeric_limits<std::streamsize>::max(), '\n');
  return Read::unreadable;
}

Read readLine(std::istream& in, std::ostream& out, std::string& line) {
  if (!out.flush()) {
    return Read::ended;
  }
  return std::getline(in, line) ? Read::value : Read::ended;
}

// The one place that decides how a run that stopped reading ends. The output is
// checked first: a read is only tried once the flush before it has succeeded.
Ending endOfRun(const std::istream& in, std::ostream& out) {
  if (!out) {
    return Ending::outputFailed;
  }
  if (in.bad()) {
    return Ending::inputFailed;
  }
  out << std::endl;
  return out ? Ending::endOfInput : Ending::outputFailed;
}

Next enterFraction(MenuState& state, std::istream& in, std::ostream& out) {
  if (state.remaining == 0) {
    out << kAlreadyEntered << std::endl;
    return Next::nextPass;
  }
  std::int32_t n = 0;
  std::int32_t m = 0;
  for (std::int32_t* number : {&n, &m}) {
    switch (readInteger(in, out, *number)) {
      case Read::value:
        break;
      case Read::unreadable:
        out << kUnreadableFraction << std::endl;
        return Next::nextPass;
      case Read::ended:
        return Next::ended;
    }
  }
  if (m == 0) {
    out << kZeroDenominator << std::endl;
    return Next::nextPass;
  }
  (state.remaining == 2 ? state.a : state.b) = std::make_unique<Fraction>(n, m, out);
  --state.remaining;
  return Next::nextPass;
}

// The line after the item number is stored; whatever followed the number on its
// own line is discarded.
Next storeLine(MenuState& state, std::istream& in, std::ostream& out) {
  out << kEnterLine;
  if (readLine(in, out, state.dummy) == Read::ended ||
      readLine(in, out, state.Str) == Read::ended) {
    return Next::ended;
  }
  // As a C string: the stored text ends at the line's first NUL byte, if any.
  state.c.setText(state.Str.c_str());
  return Next::nextPass;
}

void printStoredLine(const MenuState& state, std::ostream& out) {
  out << kStoredLine << state.c.getText() << std::endl;
}

Next answerItem(std::int32_t choice, MenuState& state, std::istream& in, std::ostream& out) {
  switch (choice) {
    case 1:
      return enterFraction(state, in, out);
    case 2:
    case 3:
    case 4:
    case 5:
    case 6:
      runResultCommand(choice, state, out);
      return Next::nextPass;
    case 7:
      return storeLine(state, in, out);
    case 8:
      printStoredLine(state, out);
      return Next::nextPass;
    case 9:
      return Next::exit;
    default:
      out << kWrongItem << std::endl;
      return Next::nextPass;
  }
}

}  // namespace

Ending runDialogue(std::istream& in, std::ostream& out) {
  MenuState state;
  for (;;) {
    if (state.remaining == 2) {
      out << kHeading;
    }
    out << kMenu;
    std::int32_t choice = 0;
    Next next = Next::nextPass;
    switch (readInteger(in, out, choice)) {
      case Read::value:
        next = answerItem(choice, state, in, out);
        break;
      case Read::unreadable:
        out << kWrongItem << std::endl;
        break;
      case Read::ended:
        next = Next::ended;
        break;
    }
    switch (next) {
      case Next::nextPass:
        break;
      case Next::ended:
        return endOfRun(in, out);
      case Next::exit:
        return out.flush() ? Ending::exitItem : Ending::outputFailed;
    }
  }
}
