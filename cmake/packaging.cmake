# Installation and the Debian package: the program, its manual page, and
# `cpack -G DEB` settings for fraction-calc_VERSION_ARCH.deb.
include(GNUInstallDirs)

install(TARGETS fraction-calc RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(WIN32)
  include(${CMAKE_CURRENT_LIST_DIR}/windows-package.cmake)  # the zip for Windows instead
  return()
endif()

# The manual page is installed compressed, as Debian keeps them (gzip -9n: no
# name or time stamp inside, so the same page gives the same bytes).
set(fraction_calc_man_page ${CMAKE_CURRENT_SOURCE_DIR}/man/fraction-calc.1)
set(fraction_calc_man_page_gz ${CMAKE_CURRENT_BINARY_DIR}/man/fraction-calc.1.gz)
add_custom_command(
  OUTPUT ${fraction_calc_man_page_gz}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/man
  COMMAND gzip -9n -c ${fraction_calc_man_page} > ${fraction_calc_man_page_gz}
  DEPENDS ${fraction_calc_man_page}
  COMMENT "Compressing the manual page"
  VERBATIM)
add_custom_target(man_page ALL DEPENDS ${fraction_calc_man_page_gz})
install(FILES ${fraction_calc_man_page_gz} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# The package recommends the terminal layers that ./start uses, read from the
# one list of packages so that the two never drift apart.
file(STRINGS ${CMAKE_CURRENT_SOURCE_DIR}/dependencies/debian-packages fraction_calc_terminal_line
     REGEX "^terminal[ \t]")
string(REGEX REPLACE "^terminal[ \t]+" "" fraction_calc_terminal_packages "${fraction_calc_terminal_line}")
string(REGEX REPLACE "[ \t]+" ", " fraction_calc_terminal_packages "${fraction_calc_terminal_packages}")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME fraction-calc)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "fraction-calc maintainers <fraction-calc@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "interactive console calculator for two fractions")
set(CPACK_PACKAGE_DESCRIPTION [[A numbered Russian menu reads two fractions of 32-bit integers and gives
their sum, difference, product and quotient, exactly and in lowest terms,
refusing a result that does not fit in 32 bits. The text is in the
Windows-1251 code page: luit shows it on a UTF-8 terminal.]])
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION math)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Depends is computed from the program's shared libraries by dpkg-shlibdeps.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "${fraction_calc_terminal_packages}")
include(CPack)
