#pragma once

// Address space kept free for code that does not check its allocations.
//
// libedit (and, inside it, the terminal database) leaves some failed
// allocations unchecked and then crashes; the C library's locale loading
// reports a locale it had no memory to load as one that is not installed. So
// the session holds a reserve of address space and releases it only around such
// calls: they run with at least that much free and never meet a failed
// allocation. Taking it back afterwards is the check: when that fails, memory
// is exhausted, and the session ends as on any failed allocation.

#include <cstddef>

namespace terminal {

class MemoryReserve {
 public:
  // Takes `size` bytes of address space, if it can (held() says).
  explicit MemoryReserve(std::size_t size);
  MemoryReserve(const MemoryReserve&) = delete;
  MemoryReserve& operator=(const MemoryReserve&) = delete;
  MemoryReserve(MemoryReserve&&) = delete;
  MemoryReserve& operator=(MemoryReserve&&) = delete;
  ~MemoryReserve() { release(); }

  [[nodiscard]] bool held() const { return address_ != nullptr; }
  void release();
  bool take();

 private:
  std::size_t size_;
  void* address_ = nullptr;
};

// The reserve released for one call, and taken back after it; when it cannot
// be, memory is exhausted: the new-handler ends the run.
class ReserveReleased {
 public:
  explicit ReserveReleased(MemoryReserve& reserve) : reserve_(&reserve) { reserve_->release(); }
  ReserveReleased(const ReserveReleased&) = delete;
  ReserveReleased& operator=(const ReserveReleased&) = delete;
  ReserveReleased(ReserveReleased&&) = delete;
  ReserveReleased& operator=(ReserveReleased&&) = delete;
  ~ReserveReleased();

 private:
  MemoryReserve* reserve_;
};

// What `call` returns, called with the reserve released.
template <typename Call>
auto withReserveReleased(MemoryReserve& reserve, Call call) {
  const ReserveReleased released(reserve);
  return call();
}

}  // namespace terminal
