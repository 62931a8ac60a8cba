# SPDX-License-Identifier: GPL-3.0-or-later
# What `cmake --install` puts where, and the Debian package CPack builds from it
# (`cpack -G DEB` in the build folder, or `make package`).
#
#   bin/trundle                                   the program (app/CMakeLists.txt)
#   share/trundle/Scripts/                        sample scripts, copied to ~/Library/Scripts
#                                                 at start; the program finds them as
#                                                 ../share/trundle/Scripts beside its binary
#   share/applications/org.example.trundle.Trundle.desktop
#                                                 the menu entry
#   share/metainfo/org.example.trundle.Trundle.metainfo.xml
#                                                 the AppStream description (software centres)
#   share/icons/hicolor/{scalable,48x48}/apps/    the icon
#   share/trundle/trundle-autostart.desktop       a login entry each user may copy to
#                                                 ~/.config/autostart/ (never enabled for all)
#   share/man/man1/trundle.1.gz                   the manual page (docs/trundle.1)
#   share/doc/trundle/                            README.md, copyright (Debian's machine-readable
#                                                 form) and changelog.Debian.gz
#   share/lintian/overrides/trundle               lintian tags that do not apply, with reasons
#
# One version for all of them: project(VERSION) in CMakeLists.txt. The top entry of
# packaging/changelog and the manual page's title line must carry it too (checked here), and the
# AppStream release takes its date from that changelog entry.

set(TRUNDLE_DEBIAN_RELEASE 1)

file(STRINGS "${PROJECT_SOURCE_DIR}/packaging/changelog" changelog_lines)
list(GET changelog_lines 0 changelog_top)
if(NOT changelog_top MATCHES "^trundle \\(([^)]+)\\) ")
    message(FATAL_ERROR "packaging/changelog does not start with a Debian changelog entry")
endif()
if(NOT CMAKE_MATCH_1 STREQUAL "${PROJECT_VERSION}-${TRUNDLE_DEBIAN_RELEASE}")
    message(FATAL_ERROR "packaging/changelog's top entry is version ${CMAKE_MATCH_1}, the project "
                        "${PROJECT_VERSION}-${TRUNDLE_DEBIAN_RELEASE}: add an entry for it")
endif()
foreach(line IN LISTS changelog_lines)
    if(line MATCHES "^ -- .*  [A-Z][a-z][a-z], +([0-9]+) ([A-Z][a-z][a-z]) ([0-9][0-9][0-9][0-9]) ")
        string(LENGTH "${CMAKE_MATCH_1}" digits)
        if(digits EQUAL 1)
            set(day "0${CMAKE_MATCH_1}")
        else()
            set(day "${CMAKE_MATCH_1}")
        endif()
        set(year "${CMAKE_MATCH_3}")
        set(months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
        list(FIND months "${CMAKE_MATCH_2}" month)
        math(EXPR month "${month} + 1")
        if(month LESS 10)
            set(month "0${month}")
        endif()
        set(TRUNDLE_RELEASE_DATE "${year}-${month}-${day}")
        break()
    endif()
endforeach()
if(NOT TRUNDLE_RELEASE_DATE)
    message(FATAL_ERROR "packaging/changelog's top entry has no trailer line with its date")
endif()
file(STRINGS "${PROJECT_SOURCE_DIR}/docs/trundle.1" manual_title REGEX "^\\.TH ")
if(NOT manual_title MATCHES "\"Trundle ${PROJECT_VERSION}\"")
    message(FATAL_ERROR "docs/trundle.1 is not about Trundle ${PROJECT_VERSION}: ${manual_title}")
endif()

configure_file("${PROJECT_SOURCE_DIR}/resources/${TRUNDLE_APP_ID}.metainfo.xml.in"
               "${PROJECT_BINARY_DIR}/${TRUNDLE_APP_ID}.metainfo.xml" @ONLY)

# Debian wants the changelog and the manual page compressed with gzip -9n (no name, no time
# stamp, so that two builds give the same bytes).
set(packaging_gzipped "${PROJECT_BINARY_DIR}/packaging")
foreach(pair "packaging/changelog:changelog.Debian.gz" "docs/trundle.1:trundle.1.gz")
    string(REPLACE ":" ";" pair "${pair}")
    list(GET pair 0 source)
    list(GET pair 1 target)
    add_custom_command(OUTPUT "${packaging_gzipped}/${target}"
        COMMAND "${CMAKE_COMMAND}" -E make_directory "${packaging_gzipped}"
        COMMAND sh -c "gzip -9n < \"$1\" > \"$2\"" gzip "${PROJECT_SOURCE_DIR}/${source}"
                "${packaging_gzipped}/${target}"
        DEPENDS "${PROJECT_SOURCE_DIR}/${source}"
        VERBATIM)
    list(APPEND packaging_outputs "${packaging_gzipped}/${target}")
endforeach()
add_custom_target(trundle_packaging_files ALL DEPENDS ${packaging_outputs})

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
install(FILES "${PROJECT_SOURCE_DIR}/resources/${TRUNDLE_APP_ID}.desktop"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/applications")
install(FILES "${PROJECT_BINARY_DIR}/${TRUNDLE_APP_ID}.metainfo.xml"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/metainfo")
install(FILES "${PROJECT_SOURCE_DIR}/resources/images/trundle.svg"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps")
install(FILES "${PROJECT_SOURCE_DIR}/resources/images/trundle-48.png"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/48x48/apps"
        RENAME trundle.png)
install(FILES "${PROJECT_SOURCE_DIR}/resources/trundle-autostart.desktop"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/trundle")
# Debian keeps documentation under the package's name, which is lower case.
install(FILES "${PROJECT_SOURCE_DIR}/README.md" "${PROJECT_SOURCE_DIR}/packaging/copyright"
              "${packaging_gzipped}/changelog.Debian.gz"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/doc/trundle")
install(FILES "${packaging_gzipped}/trundle.1.gz" DESTINATION "${CMAKE_INSTALL_MANDIR}/man1")
# Tags lintian shows that do not apply, each with its reason (packaging/lintian-overrides).
install(FILES "${PROJECT_SOURCE_DIR}/packaging/lintian-overrides"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/lintian/overrides" RENAME trundle)

set(CPACK_PACKAGE_NAME trundle)
set(CPACK_PACKAGE_VENDOR "The Trundle developers")
set(CPACK_PACKAGE_CONTACT "The Trundle developers <trundle@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
# Debian's rules: the synopsis starts without an article, the lines stay within 80 columns.
set(CPACK_PACKAGE_DESCRIPTION
    "Trundle sits in the system tray and runs your scripts: from a menu that\n"
    "mirrors your script folders, from global hot keys (F1 to F12 and the mouse\n"
    "buttons, in any application) and from a script browser window.\n"
    ".\n"
    "Hot keys work in X11 sessions. In Wayland sessions they go through the\n"
    "desktop's global-shortcuts portal (function keys only), or Trundle reads\n"
    "the keyboards and mice directly (membership of the input group).")
string(REPLACE ";" "" CPACK_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://trundle.example.org/")
set(CPACK_PACKAGE_INSTALL_DIRECTORY trundle)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_SOURCE_IGNORE_FILES "/\\\\.git/" "/build[^/]*/" "/e2e-artifacts/")

set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE ${TRUNDLE_DEBIAN_RELEASE})
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Libraries the binary links come from dpkg-shlibdeps (package dpkg-dev). Added by hand what it
# cannot see: rsync, which copies the sample scripts, and the SVG plugins for the about window's
# icon (libqt6svg6). The X11 platform plugin comes with libqt6gui6 in Debian 12, the Wayland one
# with qt6-wayland: without it Qt runs through XWayland in a Wayland session.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "rsync, libqt6svg6")
# xdg-open opens the about window's web pages; a tray needs a desktop that has one. Qt's own
# texts (the dialogs' buttons) come in the user's language from qt6-translations-l10n.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland, xdg-utils, qt6-translations-l10n")

include(CPack)
