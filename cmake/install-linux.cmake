# What `cmake --install` puts in place on Linux, and the Debian package CPack
# makes of it (cpack -G DEB, or cpack --preset deb).
include(GNUInstallDirs)

# The AppStream id. AppStream asks for a reverse domain name; Tockmere has no
# domain of its own, and any registered one would claim somebody else's. The
# top-level domain "internal" is reserved for private use and never delegated,
# so the id names no one's domain. (appstreamcli notes that it does not know
# the TLD.) Tockmere has no home page either: the package, the metainfo and
# the installer give none, and the metainfo no screenshot to fetch.
set(TOCKMERE_APP_ID internal.tockmere.tockmere)

# The icon theme's pictures, rendered from our own SVG at each size.
find_program(TOCKMERE_RSVG_CONVERT rsvg-convert REQUIRED)
set(tockmere_svg ${PROJECT_SOURCE_DIR}/data/icons/tockmere.svg)
set(tockmere_icon_sizes 16 22 24 32 48 64 128 256)
set(tockmere_icon_pngs)
foreach(size IN LISTS tockmere_icon_sizes)
  set(png ${PROJECT_BINARY_DIR}/icons/${size}x${size}/tockmere.png)
  add_custom_command(OUTPUT ${png}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/icons/${size}x${size}
    COMMAND ${TOCKMERE_RSVG_CONVERT} -w ${size} -h ${size} -o ${png} ${tockmere_svg}
    DEPENDS ${tockmere_svg}
    VERBATIM)
  list(APPEND tockmere_icon_pngs ${png})
  install(FILES ${png} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
add_custom_target(icons ALL DEPENDS ${tockmere_icon_pngs})
install(FILES ${tockmere_svg} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

install(TARGETS tockmere RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_SOURCE_DIR}/data/tockmere.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
configure_file(${PROJECT_SOURCE_DIR}/data/tockmere.metainfo.xml.in
               ${PROJECT_BINARY_DIR}/${TOCKMERE_APP_ID}.metainfo.xml @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/${TOCKMERE_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
# The licence, where Debian keeps a package's: its copyright file.
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tockmere
        RENAME copyright)
# Debian's policy wants a changelog with every package, compressed.
configure_file(${PROJECT_SOURCE_DIR}/data/changelog.in ${PROJECT_BINARY_DIR}/doc/changelog @ONLY)
add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/doc/changelog.gz
  COMMAND gzip -9 -n -k -f ${PROJECT_BINARY_DIR}/doc/changelog
  DEPENDS ${PROJECT_BINARY_DIR}/doc/changelog
  VERBATIM)
# The manual page, compressed too.
configure_file(${PROJECT_SOURCE_DIR}/data/tockmere.1 ${PROJECT_BINARY_DIR}/doc/tockmere.1 COPYONLY)
add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/doc/tockmere.1.gz
  COMMAND gzip -9 -n -k -f ${PROJECT_BINARY_DIR}/doc/tockmere.1
  DEPENDS ${PROJECT_BINARY_DIR}/doc/tockmere.1
  VERBATIM)
add_custom_target(docs ALL DEPENDS ${PROJECT_BINARY_DIR}/doc/changelog.gz
                               ${PROJECT_BINARY_DIR}/doc/tockmere.1.gz)
install(FILES ${PROJECT_BINARY_DIR}/doc/changelog.gz DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tockmere)
install(FILES ${PROJECT_BINARY_DIR}/doc/tockmere.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# --- The Debian package ------------------------------------------------------
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tockmere)
set(CPACK_PACKAGE_VENDOR "the Tockmere authors")
# Debian wants an address for the maintainer (here and in data/changelog.in);
# until Tockmere has one, it is the reserved example one.
set(CPACK_PACKAGE_CONTACT "the Tockmere authors <tockmere@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "tray reminder for a time of day")
set(CPACK_PACKAGE_DESCRIPTION [[
Tockmere is a small reminder that lives in the notification area. Type
the hour, the minute and a message, and at that time of day it comes
forward and tells you. Up to three reminders can be armed at once.
The interface is Simplified Chinese.]])
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt's own texts (the message field's edit menu) in Chinese; the libraries
# come from the program's own links.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-translations-l10n")
# The texts are Chinese: without a CJK font they show as boxes. A
# reminder's sound: libcanberra, loaded at run time, with its sound server's
# backend, and the freedesktop sound theme.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
    "fonts-wqy-zenhei | fonts-noto-cjk, libcanberra0, libcanberra-pulse, sound-theme-freedesktop")
include(CPack)
