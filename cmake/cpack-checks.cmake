# Read by cpack before each package it makes (CPACK_PROJECT_CONFIG_FILE).
#
# The Debian package's Depends is computed from the program's shared libraries
# by dpkg-shlibdeps (of dpkg-dev), and CPackDeb finds the files to scan with
# `file`. Without dpkg-shlibdeps CPackDeb makes the package all the same, with
# no Depends at all: one that installs and then fails to start. Without `file`
# it stops with "Problem compressing the directory". So no .deb is made unless
# both are there, and the message names what is missing and how to install it.
if(CPACK_GENERATOR STREQUAL "DEB")
  set(fraction_calc_missing "")
  foreach(tool dpkg-shlibdeps file)
    find_program(fraction_calc_tool ${tool} NO_CACHE)
    if(NOT fraction_calc_tool)
      list(APPEND fraction_calc_missing ${tool})
    endif()
    unset(fraction_calc_tool)
  endforeach()
  if(fraction_calc_missing)
    list(JOIN fraction_calc_missing " and " fraction_calc_missing)
    message(FATAL_ERROR "No Debian package is made: its Depends is computed from the program's "
                        "libraries by dpkg-shlibdeps and file, and this machine lacks "
                        "${fraction_calc_missing}. `dependencies/set-up package` installs what is "
                        "missing (as root; otherwise it names the apt-get line).")
  endif()
endif()
