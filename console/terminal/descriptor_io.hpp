#pragma once

// Writing all of a text to a descriptor: again after a signal, and after a wait
// where the descriptor was left non-blocking. Allocates nothing and is
// async-signal-safe, so the ends of a session can use it.

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <string_view>

namespace terminal {

inline bool writeAll(int descriptor, std::string_view text) {
  const char* data = text.data();
  std::size_t size = text.size();
  while (size > 0) {
    const ssize_t written = ::write(descriptor, data, size);
    if (written < 0) {
      if (errno == EAGAIN || errno == EWOULDBLOCK) {
        pollfd writable{descriptor, POLLOUT, 0};
        static_cast<void>(::poll(&writable, 1, -1));
        continue;
      }
      if (errno == EINTR) {
        continue;
      }
      return false;
    }
    data += written;  // NOLINT(cppcoreguidelines-pro-bounds-pointer-arithmetic)
    size -= static_cast<std::size_t>(written);
  }
  return true;
}

}  // namespace terminal
