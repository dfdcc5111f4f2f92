# Installation and the Debian package: the program, the launcher that is the
# user's command, the manual pages, and `cpack -G DEB` settings for
# fraction-calc_VERSION_ARCH.deb.
include(GNUInstallDirs)

if(WIN32)
  install(TARGETS fraction-calc RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  include(${CMAKE_CURRENT_LIST_DIR}/windows-package.cmake)  # the zip for Windows instead
  return()
endif()

# The command a user types, bin/fraction-calc, is the launcher made from
# console/launcher.in: at a terminal it runs the program inside the terminal
# layers, otherwise the program alone. The program itself is private to it, in
# libexec/fraction-calc/ (Debian's policy allows libexec since it follows FHS 3.0).
# Each copy of the launcher finds the program by the path from its own folder:
# the build tree's copy, beside console/, is the one that ./start runs.
set(fraction_calc_program_dir ${CMAKE_INSTALL_LIBEXECDIR}/fraction-calc)
install(TARGETS fraction-calc RUNTIME DESTINATION ${fraction_calc_program_dir})
# The notes on missing layers name the packages of the terminal line.
file(STRINGS ${PROJECT_SOURCE_DIR}/dependencies/debian-packages fraction_calc_terminal_line
     REGEX "^terminal[ \t]")
string(REGEX REPLACE "^terminal[ \t]+" "" FRACTION_CALC_TERMINAL_PACKAGES "${fraction_calc_terminal_line}")
string(REGEX REPLACE "[ \t]+" " " FRACTION_CALC_TERMINAL_PACKAGES "${FRACTION_CALC_TERMINAL_PACKAGES}")
set(fraction_calc_executable OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ
                             WORLD_EXECUTE)
set(FRACTION_CALC_PROGRAM_FROM_LAUNCHER console/fraction-calc)  # where single-configuration builds put it
configure_file(console/launcher.in ${PROJECT_BINARY_DIR}/fraction-calc @ONLY
               FILE_PERMISSIONS ${fraction_calc_executable})
file(RELATIVE_PATH FRACTION_CALC_PROGRAM_FROM_LAUNCHER ${CMAKE_INSTALL_FULL_BINDIR}
     ${CMAKE_INSTALL_FULL_LIBEXECDIR}/fraction-calc/fraction-calc)
configure_file(console/launcher.in launcher/fraction-calc @ONLY FILE_PERMISSIONS ${fraction_calc_executable})
install(PROGRAMS ${PROJECT_BINARY_DIR}/launcher/fraction-calc DESTINATION ${CMAKE_INSTALL_BINDIR})

# A stripped install (cpack, cmake --install --strip) also drops the compilers'
# version notes in `.comment`, as Debian's packaging does.
if(CMAKE_EXECUTABLE_FORMAT STREQUAL "ELF" AND CMAKE_STRIP)
  install(CODE "
    if(CMAKE_INSTALL_DO_STRIP)
      execute_process(COMMAND \"${CMAKE_STRIP}\" --remove-section=.comment
        \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${fraction_calc_program_dir}/$<TARGET_FILE_NAME:fraction-calc>\"
        COMMAND_ERROR_IS_FATAL ANY)
    endif()")
endif()

# The manual pages, English by default and Russian where `man` looks for it in a
# Russian locale, and the changelog, where Debian's tools look for a native
# package's. They are installed compressed, as Debian keeps them (gzip -9n: no
# name or time stamp inside, so the same text gives the same bytes).
set(fraction_calc_texts man/fraction-calc.1 man/ru/fraction-calc.1 debian/changelog)
set(fraction_calc_text_destinations ${CMAKE_INSTALL_MANDIR}/man1 ${CMAKE_INSTALL_MANDIR}/ru/man1
                                    ${CMAKE_INSTALL_DATAROOTDIR}/doc/fraction-calc)
set(fraction_calc_compressed_texts "")
foreach(text destination IN ZIP_LISTS fraction_calc_texts fraction_calc_text_destinations)
  set(fraction_calc_compressed ${CMAKE_CURRENT_BINARY_DIR}/${text}.gz)
  cmake_path(GET fraction_calc_compressed PARENT_PATH fraction_calc_compressed_folder)
  add_custom_command(
    OUTPUT ${fraction_calc_compressed}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${fraction_calc_compressed_folder}
    COMMAND gzip -9n -c ${CMAKE_CURRENT_SOURCE_DIR}/${text} > ${fraction_calc_compressed}
    DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${text}
    COMMENT "Compressing ${text}"
    VERBATIM)
  install(FILES ${fraction_calc_compressed} DESTINATION ${destination})
  list(APPEND fraction_calc_compressed_texts ${fraction_calc_compressed})
endforeach()
add_custom_target(compressed_texts ALL DEPENDS ${fraction_calc_compressed_texts})

# The package recommends the terminal layers that the launcher uses, read from
# the one list of packages so that the two never drift apart.
string(REPLACE " " ", " fraction_calc_terminal_packages "${FRACTION_CALC_TERMINAL_PACKAGES}")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME fraction-calc)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "fraction-calc maintainers <fraction-calc@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "interactive console calculator for two fractions")
set(CPACK_PACKAGE_DESCRIPTION [[A numbered Russian menu reads two fractions of 32-bit integers and gives
their sum, difference, product and quotient, exactly and in lowest terms,
refusing a result that does not fit in 32 bits. At a terminal the command
runs it inside rlwrap, socat and luit, when installed: its Windows-1251 text
shows on a UTF-8 terminal, and typed lines are edited and kept in a history.]])
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION math)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Depends is computed from the program's shared libraries by dpkg-shlibdeps.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# No package is made when that scan cannot run (cpack-checks.cmake says why).
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/cpack-checks.cmake)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "${fraction_calc_terminal_packages}")
include(CPack)
