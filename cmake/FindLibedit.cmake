# Finds libedit, the BSD line editor (Debian's libedit-dev; macOS's SDK has it).
# Gives the imported target Libedit::Libedit and Libedit_FOUND.
find_path(Libedit_INCLUDE_DIR histedit.h DOC "The folder of libedit's histedit.h")
find_library(Libedit_LIBRARY NAMES edit DOC "libedit")
include(FindPackageHandleStandardArgs)
find_package_handle_standard_args(Libedit REQUIRED_VARS Libedit_LIBRARY Libedit_INCLUDE_DIR)
if(Libedit_FOUND AND NOT TARGET Libedit::Libedit)
  add_library(Libedit::Libedit UNKNOWN IMPORTED)
  set_target_properties(Libedit::Libedit PROPERTIES IMPORTED_LOCATION "${Libedit_LIBRARY}"
                                                    INTERFACE_INCLUDE_DIRECTORIES "${Libedit_INCLUDE_DIR}")
endif()
mark_as_advanced(Libedit_INCLUDE_DIR Libedit_LIBRARY)
