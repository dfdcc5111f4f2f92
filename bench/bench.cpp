// Speed of the calculator: gcd, the four operations and whole dialogue sessions.
// Run with --benchmark_repetitions=5 --benchmark_report_aggregates_only=true for medians.

#include <benchmark/benchmark.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <ios>
#include <limits>
#include <ostream>
#include <sstream>
#include <streambuf>
#include <string>

#include "dialogue.hpp"
#include "fraction.hpp"
#include "subtraction_gcd.hpp"

namespace {

constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();

// gcd arguments: the subtraction method's worst case (2147483647, 2), Euclid's
// worst (consecutive Fibonacci numbers), the most negative value, a typical pair.
void gcdArguments(benchmark::internal::Benchmark* benchmark) {
  benchmark->Args({kMax, 2})->Args({1836311903, 1134903170})->Args({kMin, 6})->Args({1071, 462});
}

// The repeated-subtraction method that gcd replaces, for comparison.
std::int32_t bySubtraction(std::int32_t x, std::int32_t y) {
  return subtractionGcd(x, y, std::numeric_limits<int>::max()).value_or(0);
}

void BM_Gcd(benchmark::State& state, std::int32_t (*method)(std::int32_t, std::int32_t)) {
  auto x = static_cast<std::int32_t>(state.range(0));
  auto y = static_cast<std::int32_t>(state.range(1));
  for (auto _ : state) {
    benchmark::DoNotOptimize(x);
    benchmark::DoNotOptimize(y);
    benchmark::DoNotOptimize(method(x, y));
  }
}
BENCHMARK_CAPTURE(BM_Gcd, remainders, &gcd)->Apply(gcdArguments);
BENCHMARK_CAPTURE(BM_Gcd, subtraction, &bySubtraction)
    ->Apply(gcdArguments)
    ->Unit(benchmark::kMicrosecond);

// The operations, as the benchmark's argument values (range(0)) name them.
constexpr std::int64_t kSum = 0;
constexpr std::int64_t kDifference = 1;
constexpr std::int64_t kProduct = 2;
constexpr std::int64_t kQuotient = 3;

// range(0): the operation; range(1): 0 for 1/2 and 1/3, 1 for 2147483647/-2147483648
// and -2147483648/2147483647.
void BM_Operation(benchmark::State& state) {
  const bool extreme = state.range(1) != 0;
  std::ostringstream messages;  // nonzero denominators: stays empty
  const Fraction left = extreme ? Fraction(kMax, kMin, messages) : Fraction(1, 2, messages);
  const Fraction right = extreme ? Fraction(kMin, kMax, messages) : Fraction(1, 3, messages);
  for (auto _ : state) {
    switch (state.range(0)) {
      case kSum:
        benchmark::DoNotOptimize(left + right);
        break;
      case kDifference:
        benchmark::DoNotOptimize(left - right);
        break;
      case kProduct:
        benchmark::DoNotOptimize(left * right);
        break;
      default:
        benchmark::DoNotOptimize(left / right);
        break;
    }
  }
}
BENCHMARK(BM_Operation)
    ->ArgNames({"op", "extreme"})
    ->ArgsProduct({{kSum, kDifference, kProduct, kQuotient}, {0, 1}});

// Swallows the dialogue's output, so the session measures the dialogue, not a growing string.
class DiscardingBuffer : public std::streambuf {
 protected:
  int_type overflow(int_type character) override { return traits_type::not_eof(character); }
  std::streamsize xsputn(const char* /*bytes*/, std::streamsize count) override { return count; }
};

constexpr int kSessionPasses = 100'000;

// Two entries, then every result item, a stored and printed line and a refused
// third entry, over and over; the last pass exits.
std::string scriptedSession() {
  constexpr std::array<const char*, 9> kCycle = {
      "2\n", "3\n", "4\n", "5\n", "6\n", "7\nstored line\n", "8\n", "1\n", "0\n"};
  std::string script = "1\n-2147483648 2147483647\n1\n3 -4\n";
  for (int pass = 2; pass < kSessionPasses - 1; ++pass) {
    script += kCycle.at(static_cast<std::size_t>(pass) % kCycle.size());
  }
  return script + "9\n";
}

void BM_Session(benchmark::State& state) {
  const std::string script = scriptedSession();
  DiscardingBuffer discard;
  std::ostream out(&discard);
  for (auto _ : state) {
    std::istringstream in(script);
    benchmark::DoNotOptimize(runDialogue(in, out));
  }
  state.counters["passes"] =
      benchmark::Counter(kSessionPasses, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_Session)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
