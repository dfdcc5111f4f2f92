#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "cp1251.hpp"
#include "test_text.hpp"

namespace {

TEST(Cp1251, ConvertsSourceLiteralsToKnownBytes) {
  struct Case {
    std::string converted;
    std::string_view expected;
  };
  const Case cases[] = {
      {bytes(u8"Сумма"_cp1251), "\xD1\xF3\xEC\xEC\xE0"},
      {bytes(u8"АЯая"_cp1251), "\xC0\xDF\xE0\xFF"},
      {bytes(u8"Ёё"_cp1251), "\xA8\xB8"},
      {bytes(u8"№ — «»"_cp1251), "\xB9 \x97 \xAB\xBB"},
      {bytes(u8"(1-9)!!! \n"_cp1251), "(1-9)!!! \n"},
      {bytes(u8""_cp1251), ""},
  };
  for (const auto& [converted, expected] : cases) {
    EXPECT_EQ(converted, expected);
  }
}

TEST(Cp1251, TerminatesWithNul) {
  constexpr auto kText = u8"дробь"_cp1251;
  EXPECT_EQ(kText.view().size(), 5U);
  EXPECT_EQ(kText.c_str()[5], '\0');
}

// The table at run time: every byte but 0x98, which stands for nothing, is the
// byte of its own character; characters outside the code page have none.
TEST(Cp1251, EveryByteIsTheByteOfItsCharacter) {
  for (unsigned byte = 0; byte < 256; ++byte) {
    const char32_t character = cp1251::characterOf(static_cast<unsigned char>(byte));
    if (byte == 0x98) {
      EXPECT_EQ(character, U'\uFFFD');
      EXPECT_FALSE(cp1251::byteOf(character).has_value());
    } else {
      EXPECT_EQ(cp1251::byteOf(character), byte) << "byte " << byte;
    }
  }
  for (const char32_t outside : {U'\u00E9', U'\u2603', U'\U0001F600', U'\u0450'}) {
    EXPECT_FALSE(cp1251::byteOf(outside).has_value()) << static_cast<unsigned>(outside);
  }
}

}  // namespace
