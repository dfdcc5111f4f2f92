#pragma once

#include <array>
#include <istream>
#include <streambuf>

// Standard input as a stream that tells a read error from the end of the input
// on every C++ library.
//
// The libraries differ here: libstdc++ (once unsynchronised from C stdio) turns
// a failed read into badbit, while libc++ and Microsoft's STL read through C
// stdio and report the failure as the end of the input, leaving the error in
// ferror(stdin) alone. So the program does not use std::cin for input: this
// stream reads standard input through C stdio, which every library has, and
// sets badbit itself when C stdio reports an error. The end of the input stays
// eofbit, as on every stream.
class StandardInput {
 public:
  StandardInput();
  StandardInput(const StandardInput&) = delete;
  StandardInput& operator=(const StandardInput&) = delete;
  StandardInput(StandardInput&&) = delete;
  StandardInput& operator=(StandardInput&&) = delete;
  ~StandardInput() = default;

  std::istream& stream() { return stream_; }

 private:
  // Hands over at most one line per refill, so that a reader at a terminal is
  // never kept waiting for more than the line already typed.
  class Buffer : public std::streambuf {
   public:
    explicit Buffer(std::ios& owner) : owner_(&owner) {}

   protected:
    int_type underflow() override;

   private:
    std::ios* owner_;  // the stream whose state records a read error
    std::array<char, 4096> bytes_{};
  };

  // The stream is constructed first and handed its buffer afterwards, since the
  // buffer records errors in the stream's state.
  std::istream stream_{nullptr};
  Buffer buffer_{stream_};
};
