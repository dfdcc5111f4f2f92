// Escape sequences of keys (see keys.hpp).
#include "keys.hpp"

#include <algorithm>
#include <string>
#include <string_view>

namespace terminal {

namespace {

constexpr wchar_t kEscape = L'\x1b';

bool bound(std::wstring_view sequence) {
  return std::any_of(kBoundKeys.begin(), kBoundKeys.end(), [sequence](const BoundKey& key) {
    return std::wstring_view(key.sequence) == sequence;
  });
}

// ECMA-48: a sequence's parameters and intermediates come before its final character.
bool inBody(wchar_t key) { return key >= 0x20 && key <= 0x3F; }
bool isFinal(wchar_t key) { return key >= 0x40 && key <= 0x7E; }

}  // namespace

void KeyFilter::take(wchar_t key, std::wstring& keys) {
  if (held_.empty()) {
    if (key == kEscape) {
      held_.push_back(key);
    } else {
      keys.push_back(key);
    }
    return;
  }
  if (held_.size() == 1) {  // an escape alone so far
    if (key == L'[' || key == L'O') {
      held_.push_back(key);
    } else {
      keys.push_back(kEscape);  // a Meta key: the editor's to take
      held_.clear();
      take(key, keys);
    }
    return;
  }
  if (isFinal(key) || inBody(key)) {
    held_.push_back(key);
    // The Linux console's F1 to F5 are ESC [ [ A to E: that second '[' does not end one.
    const bool linuxFunctionKey = held_ == L"\x1b[[";
    if (isFinal(key) && !linuxFunctionKey) {
      if (bound(held_)) {
        keys.append(held_);
      }
      held_.clear();
    } else if (held_.size() > kLongest) {
      held_.clear();
    }
    return;
  }
  // Not a sequence after all: what was held is dropped, the key is taken anew.
  held_.clear();
  take(key, keys);
}

}  // namespace terminal
