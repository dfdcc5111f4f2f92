# The Windows zip, fraction-calc-VERSION-win64.zip: one folder with the program
# and README.txt, a note for the user in Russian and English (`cpack -G ZIP`).

# The note is written as every Notepad reads it: UTF-8 behind a byte order mark,
# with CR LF line ends.
set(fraction_calc_readme_source ${CMAKE_CURRENT_SOURCE_DIR}/docs/windows-readme.txt)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${fraction_calc_readme_source})
file(READ ${fraction_calc_readme_source} fraction_calc_readme)
string(ASCII 239 187 191 fraction_calc_byte_order_mark)
file(CONFIGURE OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/README.txt
     CONTENT "${fraction_calc_byte_order_mark}${fraction_calc_readme}" @ONLY NEWLINE_STYLE CRLF)
# Beside the program, wherever the build puts programs (the `windows` preset: at the top).
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/README.txt DESTINATION ${CMAKE_INSTALL_BINDIR})

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME fraction-calc)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME fraction-calc-${PROJECT_VERSION}-win64)
set(CPACK_STRIP_FILES ON)
include(CPack)
