# The Windows download: tockmere-<version>-windows-x64.zip holding the program,
# the licence and a short Chinese/English read-me, made by CPack
# (cpack --preset windows-zip, after building the windows preset).

# Text files with Windows line ends, for Notepad.
configure_file(${PROJECT_SOURCE_DIR}/data/windows/README.txt.in
               ${PROJECT_BINARY_DIR}/zip/README.txt @ONLY NEWLINE_STYLE CRLF)
configure_file(${PROJECT_SOURCE_DIR}/LICENSE ${PROJECT_BINARY_DIR}/zip/LICENSE.txt
               @ONLY NEWLINE_STYLE CRLF)

install(TARGETS tockmere RUNTIME DESTINATION .)
install(FILES ${PROJECT_BINARY_DIR}/zip/README.txt ${PROJECT_BINARY_DIR}/zip/LICENSE.txt
        DESTINATION .)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME tockmere)
set(CPACK_PACKAGE_VENDOR "the Tockmere authors")
set(CPACK_PACKAGE_FILE_NAME tockmere-${PROJECT_VERSION}-windows-x64)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_STRIP_FILES ON)
include(CPack)
