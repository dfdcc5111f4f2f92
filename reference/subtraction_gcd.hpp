#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>
#include <utility>

// The greatest common divisor by repeated subtraction, pass for pass as the
// method is defined, on exact magnitudes. Gives up after `passes` passes, since
// the method needs about 2^30 of them for 2147483647 and 2.
inline std::optional<std::int32_t> subtractionGcd(std::int32_t x, std::int32_t y, int passes) {
  std::int64_t first = x < 0 ? -std::int64_t{x} : x;
  std::int64_t second = y < 0 ? -std::int64_t{y} : y;
  for (; passes > 0; --passes) {
    if (first == 1 || second == 1) {
      return 1;
    }
    if (first == 0 || second == 0 || first == second) {
      // 2^31 (from -2147483648) wraps to -2147483648 as a 32-bit result.
      return static_cast<std::int32_t>(static_cast<std::uint32_t>(std::max(first, second)));
    }
    if (first > second) {
      first = std::exchange(second, first - second);
    } else {
      second -= first;
    }
  }
  return std::nullopt;
}
