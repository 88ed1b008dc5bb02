# SPDX-License-Identifier: GPL-3.0-or-later
# Run by cpack once the package's files are staged (CPACK_PRE_BUILD_SCRIPTS):
# computes the package's dependencies from its binaries with dpkg-shlibdeps.
# What the programs link is needed (Depends); what only the optional modules
# in CPACK_ZELVOR_MODULE_DIR link is recommended (Recommends), so the panel
# installs without the sound card output's media libraries.
set(root "${CPACK_TEMPORARY_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX}")
file(GLOB programs LIST_DIRECTORIES false "${root}/${CPACK_ZELVOR_PROGRAM_DIR}/*")
file(GLOB modules LIST_DIRECTORIES false "${root}/${CPACK_ZELVOR_MODULE_DIR}/*")
if(NOT programs)
    message(FATAL_ERROR "debian-dependencies: no programs in ${root}/${CPACK_ZELVOR_PROGRAM_DIR}")
endif()
set(fields -dDepends ${programs})
if(modules)
    list(APPEND fields -dRecommends ${modules})
endif()

# dpkg-shlibdeps wants a source tree: an empty debian/control in its folder.
set(work "${CPACK_TOPLEVEL_DIRECTORY}/shlibdeps")
file(MAKE_DIRECTORY "${work}/debian")
file(TOUCH "${work}/debian/control")
execute_process(COMMAND dpkg-shlibdeps --warnings=0 -O ${fields}
                WORKING_DIRECTORY "${work}"
                OUTPUT_VARIABLE substvars ERROR_VARIABLE errors RESULT_VARIABLE status)
file(REMOVE_RECURSE "${work}")
if(NOT status EQUAL 0)
    message(FATAL_ERROR "dpkg-shlibdeps failed: ${errors}")
endif()
if(substvars MATCHES "shlibs:Depends=([^\n]*)")
    set(CPACK_DEBIAN_PACKAGE_DEPENDS "${CMAKE_MATCH_1}")
endif()
if(substvars MATCHES "shlibs:Recommends=([^\n]*)")
    set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "${CMAKE_MATCH_1}")
endif()
