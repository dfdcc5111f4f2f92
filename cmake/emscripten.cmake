# Cross build to WebAssembly with emscripten, for the web page; the programs
# run under Node.js. Used by the `web` preset. Emscripten's own toolchain file
# does the work: it is found beside the emcc on PATH (Debian's emscripten
# package, or an emsdk), or in EMSCRIPTEN_ROOT_PATH.
find_program(FRACTION_CALC_EMCC emcc REQUIRED DOC "emscripten's compiler driver")
if(NOT EMSCRIPTEN_ROOT_PATH)
  # Debian links /usr/bin/emcc to a script in emscripten's own folder.
  file(REAL_PATH ${FRACTION_CALC_EMCC} emcc)
  cmake_path(GET emcc PARENT_PATH EMSCRIPTEN_ROOT_PATH)
endif()

# The programs (the test programs, and the calculator through its Node runner)
# run under Node.js, through a script that keeps emscripten's loader off fetch().
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/node-run)
# A program takes as much memory as it needs, as natively, up to WebAssembly's
# 2 GiB (a line of item 7 of a mebibyte or more, in the program and its tests).
set(CMAKE_EXE_LINKER_FLAGS_INIT -sALLOW_MEMORY_GROWTH)

# Debian's emscripten runs Node.js modules (acorn) from /usr/share/nodejs when
# it links, where Debian's Node.js looks and another (NodeSource's) does not:
# the link step has that folder on NODE_PATH.
if(EXISTS /usr/share/nodejs/acorn)
  set(CMAKE_C_LINKER_LAUNCHER ${CMAKE_COMMAND} -E env "NODE_PATH=/usr/share/nodejs:$ENV{NODE_PATH}")
  set(CMAKE_CXX_LINKER_LAUNCHER ${CMAKE_C_LINKER_LAUNCHER})
endif()

include(${EMSCRIPTEN_ROOT_PATH}/cmake/Modules/Platform/Emscripten.cmake)
