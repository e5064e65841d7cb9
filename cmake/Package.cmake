# SPDX-License-Identifier: GPL-2.0-or-later
# The Debian package (scripts/package): everything cmake --install puts under /usr.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kestrune-q418)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${KESTRUNE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "configuration tool for the Kestrune Q418-RGB gaming mouse")
# Wrapped for Debian: a package manager shows these lines as they stand, within 80 columns.
set(CPACK_PACKAGE_DESCRIPTION
    "Sets up the Kestrune Q418-RGB gaming mouse by USB cable or through its
receiver: button functions, DPI stages, report rate, lighting, macros, recoil
patterns and profiles. A window with a tray icon (kestrune-q418) and a
command-line tool (kestrunectl), with a simulated mouse to try them without
the hardware. Installs the udev rule that lets the user at the seat use it.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${KESTRUNE_HOMEPAGE_URL})
# The dependencies are the programs' libraries (the X platform and SVG plugins come with
# them). The udev daemon that reads the rule and Qt's Wayland platform are not linked; without
# them the tool still runs (the simulated mouse, X), so they are recommended.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "udev, qt6-wayland")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/desktop/postinst
    ${PROJECT_SOURCE_DIR}/desktop/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)

# The licence and the changelog, where Debian looks for them (compressed as it installs them:
# no name or time in the header, so the same NEWS.md gives the same file).
add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/changelog.gz
    COMMAND gzip -9nkf ${PROJECT_BINARY_DIR}/changelog
    DEPENDS ${PROJECT_BINARY_DIR}/changelog
    COMMENT "Compressing the changelog")
add_custom_target(kestrune_changelog ALL DEPENDS ${PROJECT_BINARY_DIR}/changelog.gz)
install(FILES ${PROJECT_BINARY_DIR}/changelog.gz ${PROJECT_SOURCE_DIR}/desktop/copyright
        DESTINATION ${CMAKE_INSTALL_DOCDIR})
