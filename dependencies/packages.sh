# Shell functions over debian-packages, for scripts to source.

packages_file="$(dirname "${BASH_SOURCE[0]}")/debian-packages"

# The packages of the given purposes, one a line.
packages_for() {
  awk -v wanted=" $* " '!/^#/ && NF && index(wanted, " " $1 " ") {
    for (i = 2; i <= NF; i++) print $i
  }' "$packages_file"
}

# Those of the given purposes' packages that are not installed, one a line.
missing_packages() {
  local package
  for package in $(packages_for "$@"); do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
      echo "$package"
  done
}

# Installs what is missing of the given purposes' packages (needs root and apt-get).
install_missing_packages() {
  local missing
  missing=$(missing_packages "$@")
  if [ -z "$missing" ]; then
    return 0
  fi
  echo "installing: $(echo $missing)"
  apt-get update -qq &&
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $missing
}

# The first Python 3 that imports pytest and pexpect, which the Python tests run
# on; status 1 if none does. python3 on PATH may be another one than Debian's.
test_python() {
  local python
  for python in python3 /usr/bin/python3; do
    if "$python" -c 'import pytest, pexpect' 2>/dev/null; then
      echo "$python"
      return 0
    fi
  done
  return 1
}

# The tools that the build, test and package purposes stand for, named as a user
# knows them, of which this machine lacks some; one a line. Asked of the machine
# itself (not of dpkg), so that tools installed some other way count, and off
# Debian too.
missing_tools() {
  local purpose
  for purpose in "$@"; do
    case $purpose in
      build)
        command -v cmake >/dev/null || echo "CMake"
        command -v make >/dev/null || echo "make"
        command -v c++ >/dev/null || command -v g++ >/dev/null || command -v clang++ >/dev/null ||
          echo "a C++ compiler"
        # The line editor's header; macOS has it in its SDK.
        if [ "$(uname -s)" != Darwin ] && [ ! -e /usr/include/histedit.h ] && [ ! -e /usr/local/include/histedit.h ]; then
          echo "libedit (line editing)"
        fi
        # Composing typed text (NFC); Homebrew's libunistring on a Mac.
        if [ ! -e /usr/include/uninorm.h ] && [ ! -e /usr/local/include/uninorm.h ] &&
          [ ! -e /opt/homebrew/include/uninorm.h ]; then
          echo "libunistring (Unicode normalisation)"
        fi
        ;;
      test)
        test_python >/dev/null || echo "a Python 3 with pytest and pexpect"
        # Installed, or its sources (Debian's googletest); on macOS the build downloads it.
        if [ "$(uname -s)" != Darwin ] && [ ! -e /usr/include/gtest/gtest.h ] &&
          [ ! -e /usr/local/include/gtest/gtest.h ] && [ ! -e /usr/src/googletest/CMakeLists.txt ]; then
          echo "GoogleTest"
        fi
        ;;
      package)
        # cpack's scan of the program's libraries for Depends, and man for the installed page.
        command -v dpkg-shlibdeps >/dev/null || echo "dpkg-shlibdeps"
        command -v file >/dev/null || echo "file"
        command -v man >/dev/null || echo "man"
        ;;
    esac
  done
}

# Makes ready what the given purposes (build, test, package) need before
# anything is configured. As root on Debian, the missing packages of their lines
# are installed, saying so on standard error; apt-get's own output shows only
# when it fails. Otherwise one note on standard error names what is missing and,
# where apt-get exists, the line that installs it, and the status is 1. Standard
# output is left alone: piped runs get the program's bytes only.
set_up() {
  local missing packages log tool note=""
  missing=$(missing_tools "$@")
  if [ -z "$missing" ]; then
    return 0
  fi
  packages=""
  if command -v apt-get >/dev/null && command -v dpkg-query >/dev/null; then
    packages=$(echo $(missing_packages "$@"))
  fi
  if [ -n "$packages" ] && [ "$(id -u)" -eq 0 ]; then
    echo "Installing what is missing: apt-get install $packages" >&2
    if log=$(install_missing_packages "$@" 2>&1); then
      missing=$(missing_tools "$@")
      [ -n "$missing" ] || return 0
    else
      printf '%s\n' "$log" >&2
    fi
    packages=$(echo $(missing_packages "$@"))  # the note names only what is still not installed
  fi
  while IFS= read -r tool; do
    note="$note, $tool"
  done <<<"$missing"
  note="Missing: ${note#, }."
  if [ -n "$packages" ]; then
    note="$note To install: sudo apt-get install $packages"
  fi
  echo "$note" >&2
  return 1
}
