#include "standard_input.hpp"

#include <cstddef>
#include <cstdio>

StandardInput::StandardInput() { stream_.rdbuf(&buffer_); }

StandardInput::Buffer::int_type StandardInput::Buffer::underflow() {
  if (gptr() < egptr()) {
    return traits_type::to_int_type(*gptr());
  }
  std::size_t count = 0;
  while (count < bytes_.size()) {
    const int character = std::getc(stdin);
    if (character == EOF) {
      break;
    }
    bytes_[count++] = static_cast<char>(character);
    if (character == '\n') {
      break;
    }
  }
  if (count == 0) {
    // C stdio tells the two apart: an error sets the stream's error indicator.
    // The stream's state then says so for whoever decides how the run ends.
    if (std::ferror(stdin) != 0) {
      owner_->setstate(std::ios::badbit);
    }
    return traits_type::eof();
  }
  setg(bytes_.data(), bytes_.data(), bytes_.data() + count);
  return traits_type::to_int_type(bytes_[0]);
}
