# GoogleTest downloaded and built with the project, for a host that has none
# installed (the hosted Windows runner; a Mac without Homebrew's googletest).
# Used only with FRACTION_CALC_FETCH_GTEST=ON, so no ordinary build downloads
# anything. Defines GTest::gtest_main and sets GTest_FOUND.
include(FetchContent)
FetchContent_Declare(googletest
  URL https://github.com/google/googletest/archive/refs/tags/v1.14.0.tar.gz
  URL_HASH SHA256=8ad598c73ad796e0d8280b082cebd82a630d73e73cd3c70057938a6501bba5d7
  DOWNLOAD_EXTRACT_TIMESTAMP TRUE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
# MSVC: the tests and GoogleTest use the same (DLL) C runtime.
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
FetchContent_MakeAvailable(googletest)
set_target_properties(gtest gtest_main PROPERTIES COMPILE_WARNING_AS_ERROR OFF)
set(GTest_FOUND TRUE)
