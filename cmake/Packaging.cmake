# The Debian package: `cpack -G DEB` in a Release build (scripts/package does
# both) makes ferrolet_<version>_amd64.deb, installed under /usr. Its library
# dependencies are read from the binaries by dpkg-shlibdeps; the tools the
# selection script and the desktop integration call are listed by hand.

# Debian's per-package documentation: the copyright and a compressed
# changelog whose newest entry must be this version.
set(FERROLET_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging/debian)
file(STRINGS ${FERROLET_PACKAGING_DIR}/changelog changelog_top LIMIT_COUNT 1)
if(NOT changelog_top MATCHES "^ferrolet \\(${PROJECT_VERSION}\\) ")
    message(FATAL_ERROR "packaging/debian/changelog: the newest entry is not ${PROJECT_VERSION}; "
                        "add one for this release")
endif()
set(FERROLET_DOCDIR ${CMAKE_INSTALL_DATADIR}/doc/ferrolet)
set(changelog_gz ${CMAKE_BINARY_DIR}/packaging/changelog.gz)
add_custom_command(OUTPUT ${changelog_gz}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/packaging
    COMMAND gzip -9n -c ${FERROLET_PACKAGING_DIR}/changelog > ${changelog_gz}
    DEPENDS ${FERROLET_PACKAGING_DIR}/changelog)
add_custom_target(ferrolet_changelog ALL DEPENDS ${changelog_gz})
install(FILES ${FERROLET_PACKAGING_DIR}/copyright ${changelog_gz} DESTINATION ${FERROLET_DOCDIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ferrolet)
set(CPACK_PACKAGE_VENDOR Quorvane)
set(CPACK_PACKAGE_CONTACT "Quorvane <ferrolet@quorvane.com>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_DESCRIPTION
"Ferrolet files away the items selected in the file manager. Its tray icon's
menu acts on the files last copied there: Move To, Copy To, Archive To (zip),
Alias To (symbolic link) and Hard Link To a folder of the destination list or
a chosen one, Open Folder, Wrap Items, Cut and Paste Items, and Put In Its
Place, which files each item by its extension.

The same moves into the standard folders are offered in the context menus of
Dolphin, Nemo, Nautilus, Caja and Thunar.")
# Never /usr/local: a package installs into /usr.
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://ferrolet.quorvane.com)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The selection script reads the clipboard with xclip (X11) or wl-paste
# (Wayland); documents open with xdg-open; the completion sounds and the
# beep come from the freedesktop sound theme. The filing journal needs Qt
# SQL's SQLite driver, a plugin that shlibdeps cannot see.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "xclip | wl-clipboard, xdg-utils, sound-theme-freedesktop, libqt6sql6-sqlite")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
include(CPack)
