#include "dialogue.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <ostream>
#include <sstream>
#include <streambuf>
#include <string>
#include <vector>

#include "cp1251.hpp"
#include "test_text.hpp"

namespace {

// The texts of the dialogue, spelled out here independently of the program. They
// are built before main: a failed allocation there ends the test program, as it should.
// NOLINTBEGIN(bugprone-throwing-static-initialization)
const std::string kMenu = bytes(
    u8"\n\n1: Вводить числитель и знаменатель дроби\n2: Сумма введенных чисел"
    u8"\n3: Разность введенных чисел\n4: Умножение введенных чисел\n5: Деление введенных чисел"
    u8"\n6: Сокращение дроби\n7: Ввод строки\n8: Печать строки\n9:Выход\nВведите номер(1-9): "_cp1251);
const std::string kFirst = bytes(u8"\nВводятся два рациональных числа"_cp1251) + kMenu;
const std::string kWrongItem = bytes(u8"Пожалуйста введите правильный номер(1-9)!!!\n"_cp1251);
const std::string kZeroDenominator =
    bytes(u8"Пожалуйста введите отличный от нуля знаменатель\n"_cp1251);
const std::string kUnreadable = bytes(
    u8"Пожалуйста введите числитель и знаменатель целыми числами от -2147483648 до 2147483647\n"_cp1251);
const std::string kAlreadyEntered = bytes(u8"Числа уже введены \n\n"_cp1251);
const std::string kEnterLine = bytes(u8"Введите строку: \n"_cp1251);
const std::string kStoredLine = bytes(u8"Вывод строки: \n"_cp1251);
const std::string kNothingEntered = bytes(u8"Числа не введены \n"_cp1251);
const std::string kSecondMissing = bytes(u8"Пожалуйста введите второе число \n"_cp1251);
const std::string kSum = bytes(u8"Сумма введенных чисел равна: \n"_cp1251);
const std::string kDifference = bytes(u8"Разность введенных чисел равна: \n"_cp1251);
const std::string kProduct = bytes(u8"Произведение введенных чисел равно: \n"_cp1251);
const std::string kQuotient = bytes(u8"Деленное введенных чисел равно: \n"_cp1251);
const std::string kReduction = bytes(u8"Сокращение введенных чисел равно: \n"_cp1251);
const std::string kDivisionRefused =
    bytes(u8"Деление не допустимо: второе число должно быть отлично от нуля!!!\n"_cp1251);
const std::string kOverflow =
    bytes(u8"Переполнение: результат не помещается в 32-битные целые числа!!!\n"_cp1251);

// Two entries, 1/2 then 1/3, and the three screens they cause.
const std::string kBothIn = kFirst + kMenu + kMenu;
// NOLINTEND(bugprone-throwing-static-initialization)

struct Session {
  const char* name;
  std::string input;
  std::string expected;
};

void expectSessions(const std::vector<Session>& sessions) {
  for (const auto& session : sessions) {
    std::istringstream in(session.input);
    std::ostringstream out;
    // Sessions end with item 9 or, where they do not, with the end of their input.
    const Ending expected = session.input.ends_with("9\n") ? Ending::exitItem : Ending::endOfInput;
    EXPECT_EQ(runDialogue(in, out), expected) << session.name;
    EXPECT_EQ(out.str(), session.expected) << session.name;
  }
}

TEST(Dialogue, MenuAndEntry) {
  expectSessions({
      {"first screen, then exit", "9\n", kFirst},
      {"no heading after the first entry", "1\n1\n2\n9\n", kFirst + kMenu},
      {"zero denominator refused, heading stays", "1\n3 0\n9\n",
       kFirst + kZeroDenominator + kFirst},
      {"third entry reads no numbers", "1\n1 2\n1\n1 3\n1\n9\n", kBothIn + kAlreadyEntered + kMenu},
      {"unreadable numerator", "1\nx 2\n9\n", kFirst + kUnreadable + kFirst},
      {"denominator out of range", "1\n1 99999999999\n9\n", kFirst + kUnreadable + kFirst},
      {"item 0", "0\n9\n", kFirst + kWrongItem + kFirst},
      {"item 10", "10\n9\n", kFirst + kWrongItem + kFirst},
      {"item -3", "-3\n9\n", kFirst + kWrongItem + kFirst},
      {"letters", "abc def\n9\n", kFirst + kWrongItem + kFirst},
      {"item beyond 32 bits", "99999999999\n9\n", kFirst + kWrongItem + kFirst},
      {"5x reads 5, then meets x", "5x\n9\n",
       kFirst + kNothingEntered + kFirst + kWrongItem + kFirst},
  });
}

TEST(Dialogue, StoredLine) {
  expectSessions({
      {"initial text", "8\n9\n", kFirst + kStoredLine + kInitialText + "\n" + kFirst},
      {"line back byte for byte", "7\nhello \xC0\xFF\x80!\n8\n9\n",
       kFirst + kEnterLine + kFirst + kStoredLine + "hello \xC0\xFF\x80!\n" + kFirst},
      {"text after the 7 is lost", "7 lost\nkept\n8\n9\n",
       kFirst + kEnterLine + kFirst + kStoredLine + "kept\n" + kFirst},
      {"stored up to a NUL byte", std::string("7\nab\0cd\n8\n9\n", 12),
       kFirst + kEnterLine + kFirst + kStoredLine + "ab\n" + kFirst},
  });
}

TEST(Dialogue, StoresAOneMebibyteLine) {
  std::string line;
  for (int i = 0; line.size() < (1U << 20U); ++i) {
    line += static_cast<char>(1 + i % 255);  // every byte but NUL; line feeds replaced below
  }
  std::replace(line.begin(), line.end(), '\n', '\xB8');
  expectSessions({{"1 MiB line", "7\n" + line + "\n8\n9\n",
                   kFirst + kEnterLine + kFirst + kStoredLine + line + "\n" + kFirst}});
}

TEST(Dialogue, EndOfInputEndsTheRunWithALineFeed) {
  expectSessions({
      {"at the prompt", "", kFirst + "\n"},
      {"at the numerator", "1\n", kFirst + "\n"},
      {"at the denominator", "1\n5 ", kFirst + "\n"},
      {"after an unreadable item", "99999999999", kFirst + kWrongItem + kFirst + "\n"},
      {"at the rest of the item line", "7", kFirst + kEnterLine + "\n"},
      {"at the stored line", "7\n", kFirst + kEnterLine + "\n"},
      {"last line without a line feed is stored", "7\nlast", kFirst + kEnterLine + kFirst + "\n"},
      {"a lone minus at the prompt", " \n -", kFirst + "\n"},
      {"a lone plus at the denominator", "1\n5 +", kFirst + "\n"},
      {"a sign before letters is unreadable", "-x", kFirst + kWrongItem + kFirst + "\n"},
  });
}

// Accepts `room` bytes, then fails every write.
class FailingBuffer : public std::streambuf {
 public:
  explicit FailingBuffer(std::size_t room) : room_(room) {}

 protected:
  int_type overflow(int_type character) override {
    if (room_ == 0 || traits_type::eq_int_type(character, traits_type::eof())) {
      return traits_type::eof();
    }
    --room_;
    return character;
  }

 private:
  std::size_t room_;
};

TEST(Dialogue, FailedOutputStopsTheRunBeforeTheNextRead) {
  // Fails at the first screen, inside a sum, and at the line feed of an end of input.
  std::string script = "1\n1 2\n1\n1 3\n";
  for (int pass = 0; pass < 10'000; ++pass) {
    script += "2\n";
  }
  for (const std::size_t room : {std::size_t{0}, kFirst.size() - 1, kBothIn.size() + kSum.size()}) {
    std::istringstream in(script);
    FailingBuffer buffer(room);
    std::ostream out(&buffer);
    EXPECT_EQ(runDialogue(in, out), Ending::outputFailed) << room;
    // The read that follows the failed flush never happens.
    const auto position = in.tellg();
    EXPECT_TRUE(position >= 0 && position <= 14) << room << ": " << position;
  }
  std::istringstream ended("");
  FailingBuffer buffer(kFirst.size());
  std::ostream out(&buffer);
  EXPECT_EQ(runDialogue(ended, out), Ending::outputFailed);
}

TEST(Dialogue, ResultItems) {
  expectSessions({
      {"1/2 and 1/3", "1\n1 2\n1\n1 3\n2\n3\n4\n5\n9\n",
       kBothIn + kSum + "5/6\n" + kMenu + kDifference + "1/6\n" + kMenu + kProduct + "1/6\n" +
           kMenu + kQuotient + "3/2\n" + kMenu},
      {"2/4 and 1/2: quotient, reduction, sum", "1\n2 4\n1\n1 2\n5\n6\n2\n9\n",
       kBothIn + kQuotient + "1\n" + kMenu + kReduction + "1/2\n1/2\n" + kMenu + kSum + "1\n" +
           kMenu},
      {"division by a zero numerator", "1\n1 2\n1\n0 5\n5\n4\n9\n",
       kBothIn + kDivisionRefused + kMenu + kProduct + "0\n" + kMenu},
      {"3/-6 alone reduced", "1\n3 -6\n6\n9\n", kFirst + kMenu + kReduction + "1/-2\n" + kMenu},
      {"a result replaces the stored line", "1\n1 2\n1\n1 3\n7\nmine\n2\n8\n9\n",
       kBothIn + kEnterLine + kMenu + kSum + "5/6\n" + kMenu + kStoredLine + kInitialText + "\n" +
           kMenu},
      {"guards with one entry", "1\n1 2\n7\nmine\n2\n3\n4\n5\n8\n9\n",
       kFirst + kMenu + kEnterLine + kMenu + kSecondMissing + kMenu + kSecondMissing + kMenu +
           kSecondMissing + kMenu + kSecondMissing + kMenu + kStoredLine + "mine\n" + kMenu},
      {"guards before any entry", "2\n3\n4\n5\n6\n9\n",
       kFirst + kNothingEntered + kFirst + kNothingEntered + kFirst + kNothingEntered + kFirst +
           kNothingEntered + kFirst + kNothingEntered + "\n" + kFirst},
  });
}

TEST(Dialogue, ResultsThatDoNotFitAreRefused) {
  expectSessions({
      {"operands left unreduced, then reduced", "1\n65536 131072\n1\n1 65536\n4\n6\n4\n9\n",
       kBothIn + kProduct + "1/131072\n" + kMenu + kReduction + "1/2\n1/65536\n" + kMenu +
           kProduct + "1/131072\n" + kMenu},
      {"refusal leaves the result holder", "1\n1 65536\n1\n1 65536\n7\nkeep\n4\n8\n9\n",
       kBothIn + kEnterLine + kMenu + kOverflow + kMenu + kStoredLine + "keep\n" + kMenu},
      {"most negative numerator", "1\n-2147483648 1\n1\n1 1\n3\n4\n9\n",
       kBothIn + kOverflow + kMenu + kProduct + "-2147483648\n" + kMenu},
      {"largest numerators", "1\n2147483647 1\n1\n2147483647 1\n2\n5\n9\n",
       kBothIn + kOverflow + kMenu + kQuotient + "1\n" + kMenu},
  });
}

}  // namespace
