# What `cmake --install` puts where, and the Debian package CPack builds from it
# (`cpack -G DEB` in the build folder, or `make package`).
#
#   bin/trundle                                   the program (app/CMakeLists.txt)
#   share/trundle/Scripts/                        sample scripts, copied to ~/Library/Scripts
#                                                 at start; the program finds them as
#                                                 ../share/trundle/Scripts beside its binary
#   share/applications/trundle.desktop            the menu entry
#   share/icons/hicolor/{scalable,48x48}/apps/    the icon
#   share/trundle/trundle-autostart.desktop       a login entry each user may copy to
#                                                 ~/.config/autostart/ (never enabled for all)

# The program looks for its samples relative to its own folder, so the two must stay siblings.
if(IS_ABSOLUTE "${CMAKE_INSTALL_BINDIR}" OR IS_ABSOLUTE "${CMAKE_INSTALL_DATADIR}")
    message(WARNING "An absolute CMAKE_INSTALL_BINDIR or CMAKE_INSTALL_DATADIR breaks how an "
                    "installed trundle finds its sample scripts (bin/../share/trundle/Scripts).")
endif()

# USE_SOURCE_PERMISSIONS keeps the scripts executable; the trailing slash installs the folder's
# contents under the destination's own name.
install(DIRECTORY "${PROJECT_SOURCE_DIR}/resources/Scripts/"
        DESTINATION "${TRUNDLE_INSTALLED_SCRIPTS_DIR}"
        USE_SOURCE_PERMISSIONS
        PATTERN ".*" EXCLUDE)
install(FILES "${PROJECT_SOURCE_DIR}/resources/trundle.desktop"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/applications")
install(FILES "${PROJECT_SOURCE_DIR}/resources/images/trundle.svg"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps")
install(FILES "${PROJECT_SOURCE_DIR}/resources/images/trundle-48.png"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/48x48/apps"
        RENAME trundle.png)
install(FILES "${PROJECT_SOURCE_DIR}/resources/trundle-autostart.desktop"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/trundle")
# Debian keeps documentation under the package's name, which is lower case.
install(FILES "${PROJECT_SOURCE_DIR}/README.md"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/doc/trundle")

set(CPACK_PACKAGE_NAME trundle)
set(CPACK_PACKAGE_VENDOR "The Trundle developers")
set(CPACK_PACKAGE_CONTACT "The Trundle developers <trundle@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_DESCRIPTION
    "Trundle sits in the system tray and runs your scripts: from a menu that mirrors your\n"
    "script folders, from global hot keys (F1 to F12 and the mouse buttons, in any\n"
    "application) and from a script browser window. Hot keys need an X11 session.")
string(REPLACE ";" "" CPACK_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://trundle.example.org/")
set(CPACK_PACKAGE_INSTALL_DIRECTORY trundle)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_SOURCE_IGNORE_FILES "/\\\\.git/" "/build[^/]*/" "/e2e-artifacts/")

set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Libraries the binary links come from dpkg-shlibdeps (package dpkg-dev). Added by hand what it
# cannot see: rsync, which copies the sample scripts; the X11 platform plugin; the SVG plugins
# for the about window's icon.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "rsync, qt6-qpa-plugins, libqt6svg6")
# xdg-open opens the about window's web pages; a tray needs a desktop that has one.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")

include(CPack)
