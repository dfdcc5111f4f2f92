# Finds GNU libunistring, for Unicode normalisation (Debian's libunistring-dev;
# Homebrew's libunistring). Gives the imported target Libunistring::Libunistring
# and Libunistring_FOUND.
set(hints "")
if(APPLE)
  # Homebrew keeps it under its own prefix, which is not searched by default on every Mac.
  execute_process(COMMAND brew --prefix libunistring OUTPUT_VARIABLE prefix OUTPUT_STRIP_TRAILING_WHITESPACE
                  ERROR_QUIET RESULT_VARIABLE failed)
  if(NOT failed)
    set(hints HINTS ${prefix})
  endif()
endif()
find_path(Libunistring_INCLUDE_DIR uninorm.h ${hints} PATH_SUFFIXES include
          DOC "The folder of libunistring's uninorm.h")
find_library(Libunistring_LIBRARY NAMES unistring ${hints} PATH_SUFFIXES lib DOC "libunistring")
include(FindPackageHandleStandardArgs)
find_package_handle_standard_args(Libunistring REQUIRED_VARS Libunistring_LIBRARY Libunistring_INCLUDE_DIR)
if(Libunistring_FOUND AND NOT TARGET Libunistring::Libunistring)
  add_library(Libunistring::Libunistring UNKNOWN IMPORTED)
  set_target_properties(Libunistring::Libunistring PROPERTIES
    IMPORTED_LOCATION "${Libunistring_LIBRARY}" INTERFACE_INCLUDE_DIRECTORIES "${Libunistring_INCLUDE_DIR}")
endif()
mark_as_advanced(Libunistring_INCLUDE_DIR Libunistring_LIBRARY)
