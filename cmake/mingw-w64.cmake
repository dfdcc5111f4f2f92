# Cross build for 64-bit Windows with MinGW-w64's g++ (posix thread model), the
# test programs run under Wine. Used by the `windows` preset.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

# Libraries and headers come from the target's tree only; programs from the host.
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The C++ runtime, libgcc and winpthread linked in, so that a program needs
# nothing but the DLLs every Windows has.
set(CMAKE_EXE_LINKER_FLAGS_INIT -static)

# The programs run under Wine through cmake/wine-run, which makes the prefix and
# starts its wineserver when they are not ready. The prefix is, unless
# FRACTION_CALC_WINEPREFIX names another, this build tree's own and not the
# user's ~/.wine: a test run neither needs nor changes anything in the home
# folder, every build starts from a Windows of its own, and deleting the build
# tree deletes it too.
find_program(FRACTION_CALC_WINE NAMES wine64 wine PATHS /usr/lib/wine)
if(FRACTION_CALC_WINE)
  set(FRACTION_CALC_WINEPREFIX ${CMAKE_BINARY_DIR}/wine CACHE PATH "The Wine prefix the programs run in")
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run ${FRACTION_CALC_WINEPREFIX})
  # Making a prefix takes longer than the 5 s in which a test program must list
  # its tests, so CTest makes it ready before it asks any of them.
  file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/wine-ready.cmake CONTENT
       "execute_process(COMMAND [[${CMAKE_CURRENT_LIST_DIR}/wine-run]] [[${FRACTION_CALC_WINEPREFIX}]]
                COMMAND_ERROR_IS_FATAL ANY)\n")
  get_property(test_includes DIRECTORY PROPERTY TEST_INCLUDE_FILES)
  if(NOT "${CMAKE_BINARY_DIR}/wine-ready.cmake" IN_LIST test_includes)  # this file is read more than once
    set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${CMAKE_BINARY_DIR}/wine-ready.cmake)
  endif()
endif()
