# Read by cpack before each package it makes (CPACK_PROJECT_CONFIG_FILE).
#
# The Debian package's Depends is computed from the program's shared libraries
# by dpkg-shlibdeps (of dpkg-dev), and CPackDeb finds the files to scan with
# `file`. Without dpkg-shlibdeps CPackDeb makes the package all the same, with
# no Depends at all: one that installs and then fails to start. Without `file`
# it stops with "Problem compressing the directory". So no .deb is made unless
# both are there, and the message names what is missing and how to install it.
# Each is looked for as CPackDeb looks for it (a file that is not executable does
# not count), and must answer --version.
if(CPACK_GENERATOR STREQUAL "DEB")
  cmake_policy(PUSH)
  cmake_policy(SET CMP0109 NEW)
  set(fraction_calc_missing "")
  foreach(tool dpkg-shlibdeps file)
    find_program(fraction_calc_tool ${tool} NO_CACHE)
    set(fraction_calc_status 1)
    if(fraction_calc_tool)
      execute_process(COMMAND ${fraction_calc_tool} --version RESULT_VARIABLE fraction_calc_status
                      OUTPUT_QUIET ERROR_QUIET)
    endif()
    if(NOT fraction_calc_status EQUAL 0)
      list(APPEND fraction_calc_missing ${tool})
    endif()
    unset(fraction_calc_tool)
  endforeach()
  cmake_policy(POP)
  if(fraction_calc_missing)
    list(JOIN fraction_calc_missing " and " fraction_calc_missing)
    message(FATAL_ERROR "No Debian package is made: its Depends is computed from the program's "
                        "libraries by dpkg-shlibdeps and file, and here ${fraction_calc_missing} "
                        "cannot be found or run. `dependencies/set-up package` installs what is "
                        "missing (as root; otherwise it names the apt-get line).")
  endif()
endif()
