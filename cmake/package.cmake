# SPDX-License-Identifier: GPL-3.0-or-later
# The Debian package: `cpack -G DEB` in the build folder (scripts/package).
# Its run-time dependencies come from the installed binaries through
# dpkg-shlibdeps, so they follow whatever the build links: what the programs
# link is a dependency, what only the sound card module links is recommended
# (cmake/debian-dependencies.cmake).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zelvor)
set(CPACK_PACKAGE_VENDOR "Zelvor maintainers")
set(CPACK_PACKAGE_CONTACT "Zelvor maintainers <maintainers@zelvor.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "control panel for the Zelvor DTMF tone generator")
set(CPACK_PACKAGE_DESCRIPTION
    "The desktop control panel for the Zelvor, a DTMF tone generator on a PC\n\
serial port. It finds the device on COM1 to COM4, edits its eight memory\n\
locations, plays tones live from a keypad, plays stored locations, timed\n\
tones and tone lists, and saves the settings to a file. zelvor-cli does\n\
the same from scripts, without a window. zelvor-sim, a\n\
simulated device on a pseudo-terminal, stands in for the hardware.")
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_ZELVOR_PROGRAM_DIR ${CMAKE_INSTALL_BINDIR})
set(CPACK_ZELVOR_MODULE_DIR ${CMAKE_INSTALL_LIBDIR}/zelvor)
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/debian-dependencies.cmake)
include(CPack)
