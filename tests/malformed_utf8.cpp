// Built only by the literal tests, once for each form of malformed UTF-8 below,
// each of which must stop the compilation.
#include "cp1251.hpp"

using namespace cp1251::literals;

#if defined(OVERLONG)
constexpr auto kText = u8"\xC1\x81"_cp1251;  // 'A' in two bytes
#elif defined(SURROGATE)
constexpr auto kText = u8"\xED\xA0\x80"_cp1251;  // U+D800
#elif defined(PAST_U10FFFF)
constexpr auto kText = u8"\xF4\x90\x80\x80"_cp1251;  // U+110000
#elif defined(CUT_SHORT)
constexpr auto kText = u8"\xD0"_cp1251;  // the first byte of a Cyrillic letter alone
#endif
