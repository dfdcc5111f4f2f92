# Installation and the Debian package: the program, which is the fraction-calc
# command, the manual pages, and `cpack -G DEB` settings for
# fraction-calc_VERSION_ARCH.deb.
include(GNUInstallDirs)

install(TARGETS fraction-calc RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(WIN32)
  include(${CMAKE_CURRENT_LIST_DIR}/windows-package.cmake)  # the zip for Windows instead
  return()
endif()

# A stripped install (cpack, cmake --install --strip) also drops the compilers'
# version notes in `.comment`, as Debian's packaging does.
if(CMAKE_EXECUTABLE_FORMAT STREQUAL "ELF" AND CMAKE_STRIP)
  install(CODE "
    if(CMAKE_INSTALL_DO_STRIP)
      execute_process(COMMAND \"${CMAKE_STRIP}\" --remove-section=.comment
        \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/$<TARGET_FILE_NAME:fraction-calc>\"
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

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME fraction-calc)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "fraction-calc maintainers <fraction-calc@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "interactive console calculator for two fractions")
set(CPACK_PACKAGE_DESCRIPTION [[A numbered Russian menu reads two fractions of 32-bit integers and gives
their sum, difference, product and quotient, exactly and in lowest terms,
refusing a result that does not fit in 32 bits. At a terminal, typed lines
are edited with libedit and kept in a history, and the Windows-1251 texts
show on a UTF-8 terminal as its own characters.]])
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION math)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Depends is computed from the program's shared libraries by dpkg-shlibdeps.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# No package is made when that scan cannot run (cpack-checks.cmake says why).
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/cpack-checks.cmake)
include(CPack)
