# The Windows downloads, beside each other in the build folder:
#  - tockmere-<version>-windows-x64.zip holding the program, the licence and a
#    short Chinese/English read-me, made by CPack (cpack --preset windows-zip,
#    after building the windows preset);
#  - tockmere-<version>-windows-x64.msi, the installer of the same three files,
#    made by the target msi (cmake --build --preset windows --target msi) with
#    wixl from data/windows/tockmere.wxs.in (see cmake/make-msi.cmake).

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

# --- The installer -------------------------------------------------------------
# The name in the Start menu and in Apps & features.
set(TOCKMERE_MSI_NAME "Tockmere 定时提醒")
# The shortcut's tip, as the Linux menu entry's Chinese comment.
set(TOCKMERE_MSI_COMMENT "到了设定的时刻提醒你要做的事")
# The installer file's title, which Explorer shows in its properties with the
# description, the comments and the keywords of the .wxs's Package.
set(TOCKMERE_MSI_TITLE "Tockmere 定时提醒 安装程序")
# Every version's installer carries this code: it is how a newer version finds
# the older one to replace. Never change it.
set(TOCKMERE_MSI_UPGRADE_CODE 784C75DB-C4A3-4A8E-8365-A3CE5AEB46C8)
configure_file(${PROJECT_SOURCE_DIR}/data/windows/tockmere.wxs.in
               ${PROJECT_BINARY_DIR}/msi/tockmere.wxs @ONLY)
string(CONFIGURE [[
# Written by cmake/install-windows.cmake; read by cmake/make-msi.cmake.
set(TOCKMERE_VERSION "@PROJECT_VERSION@")
set(TOCKMERE_SOURCE_DIR "@PROJECT_SOURCE_DIR@")
set(TOCKMERE_MSI_DIR "@PROJECT_BINARY_DIR@")
set(TOCKMERE_MSI_WXS "@PROJECT_BINARY_DIR@/msi/tockmere.wxs")
set(TOCKMERE_MSI_NAME "@TOCKMERE_MSI_NAME@")
set(TOCKMERE_MSI_TITLE "@TOCKMERE_MSI_TITLE@")
set(TOCKMERE_MSI_MANUFACTURER "@CPACK_PACKAGE_VENDOR@")
set(TOCKMERE_MSI_UPGRADE_CODE "@TOCKMERE_MSI_UPGRADE_CODE@")
set(TOCKMERE_EXE "$<TARGET_FILE:tockmere>")
set(TOCKMERE_STRIP "@CMAKE_STRIP@")
set(TOCKMERE_MSI_ICON "@PROJECT_BINARY_DIR@/src/tockmere.ico")
set(TOCKMERE_MSI_FILES "@PROJECT_BINARY_DIR@/zip/README.txt;@PROJECT_BINARY_DIR@/zip/LICENSE.txt")
]] tockmere_msi_settings @ONLY)
file(GENERATE OUTPUT ${PROJECT_BINARY_DIR}/msi/settings.cmake CONTENT "${tockmere_msi_settings}")
add_custom_target(msi
  COMMAND ${CMAKE_COMMAND} -DSETTINGS=${PROJECT_BINARY_DIR}/msi/settings.cmake
          -P ${PROJECT_SOURCE_DIR}/cmake/make-msi.cmake
  COMMENT "Making tockmere-${PROJECT_VERSION}-windows-x64.msi"
  VERBATIM)
add_dependencies(msi tockmere)
