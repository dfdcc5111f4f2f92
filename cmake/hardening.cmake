# The hardening Debian builds every package with (dpkg-buildflags with bindnow):
# a stack protector, fortified C library calls, format strings checked, and a
# read-only global offset table resolved at start (relro with now), on a
# position-independent program. GCC and Clang on ELF targets only: MinGW and
# MSVC take other flags or none.
if(NOT CMAKE_CXX_COMPILER_ID MATCHES "^(GNU|Clang)$" OR CMAKE_CXX_COMPILER_FRONTEND_VARIANT STREQUAL "MSVC"
   OR NOT CMAKE_EXECUTABLE_FORMAT STREQUAL "ELF")
  return()
endif()

# Compilers that make position-independent programs by default do so anyway;
# this keeps it on one that does not.
set(CMAKE_POSITION_INDEPENDENT_CODE ON)
include(CheckPIESupported)
check_pie_supported()

# The Release build only: _FORTIFY_SOURCE needs optimisation, and glibc warns
# (an error under -Werror) when it is set without. It is undefined first, since
# some compilers define a level of their own.
add_compile_options("$<$<CONFIG:Release>:-fstack-protector-strong;-U_FORTIFY_SOURCE;-D_FORTIFY_SOURCE=2>"
                    "$<$<CONFIG:Release>:-Wformat;-Werror=format-security>")
add_link_options("$<$<CONFIG:Release>:-Wl,-z,relro;-Wl,-z,now>")
