# The Debian package: cpack -G DEB in a build folder makes quorvel_<version>_amd64.deb
# (scripts/build-deb does it all). Its dependencies are computed from the binaries
# (dpkg-shlibdeps) plus what the program loads without linking it.
set(CPACK_PACKAGE_NAME quorvel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Quorvel developers")
set(CPACK_PACKAGE_CONTACT "The Quorvel developers <support@quorvel.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "keyboard shortcut reminder for the X11 desktop")
set(CPACK_PACKAGE_DESCRIPTION_FILE ${CMAKE_CURRENT_LIST_DIR}/description.txt)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${PROJECT_HOMEPAGE_URL})
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt's X11 platform plugin is loaded, not linked; gsettings registers the GNOME shortcut,
# xdg-open opens the help and Qt's translations label its standard buttons and dialogs.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils, libglib2.0-bin, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# What every Debian package carries in its documentation folder.
set(docdir ${CMAKE_INSTALL_DATAROOTDIR}/doc/quorvel)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/copyright DESTINATION ${docdir})
set(changelog ${CMAKE_CURRENT_BINARY_DIR}/packaging/changelog.gz)
add_custom_command(OUTPUT ${changelog}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/packaging
    COMMAND gzip -9nc ${CMAKE_CURRENT_LIST_DIR}/changelog > ${changelog}
    DEPENDS ${CMAKE_CURRENT_LIST_DIR}/changelog)
add_custom_target(quorvel_changelog ALL DEPENDS ${changelog})
install(FILES ${changelog} DESTINATION ${docdir})

# Quorvel's GNOME Shell extension, in the folder where GNOME Shell finds the system's extensions;
# the user turns it on (gnome-extensions enable quorvel@quorvel.org).
include(${CMAKE_CURRENT_LIST_DIR}/gnome-shell-extension/Extension.cmake)

include(CPack)
