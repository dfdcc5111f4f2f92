// Address space kept free (see memory_reserve.hpp).
#include "memory_reserve.hpp"

#include <sys/mman.h>

#include <cstddef>
#include <cstdlib>
#include <new>

namespace terminal {

MemoryReserve::MemoryReserve(std::size_t size) : size_(size) { take(); }

bool MemoryReserve::take() {
  if (address_ == nullptr) {
    // Inaccessible and never touched, the mapping costs no memory, only address
    // space, which is what a limit on it (ulimit -v) counts.
    void* const mapped =
        ::mmap(nullptr, size_, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    address_ = mapped == MAP_FAILED
                   ? nullptr
                   : mapped;  // NOLINT(cppcoreguidelines-pro-type-cstyle-cast): POSIX's macro
  }
  return held();
}

void MemoryReserve::release() {
  if (address_ != nullptr) {
    static_cast<void>(::munmap(address_, size_));
    address_ = nullptr;
  }
}

ReserveReleased::~ReserveReleased() {
  if (!reserve_->take()) {
    if (const std::new_handler handler = std::get_new_handler()) {
      handler();
    }
    std::abort();  // not reached: the session's new-handler ends the run
  }
}

}  // namespace terminal
