# GoogleTest built from source where the installed one cannot link: for the
# target of a cross build, and for another C++ library than the one it was built
# with (libc++; a library built against libstdc++ does not link with it).
# Debian's googletest package has the sources. Defines GTest::gtest_main and
# sets GTest_FOUND when the sources are there.
set(FRACTION_CALC_GTEST_SOURCES /usr/src/googletest CACHE PATH
    "GoogleTest sources, built with the project's compiler and C++ library")
if(NOT TARGET GTest::gtest_main AND EXISTS ${FRACTION_CALC_GTEST_SOURCES}/CMakeLists.txt)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  # SYSTEM: the project's warnings are not turned on GoogleTest's headers.
  add_subdirectory(${FRACTION_CALC_GTEST_SOURCES} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
  # Its own warnings are not the project's to fix.
  set_target_properties(gtest gtest_main PROPERTIES COMPILE_WARNING_AS_ERROR OFF)
endif()
if(TARGET GTest::gtest_main)
  set(GTest_FOUND TRUE)
else()
  set(GTest_FOUND FALSE)
endif()
