# What `cmake --install` puts where, and the Debian package `cpack -G DEB` makes of it.
# Included at the end of the top-level CMakeLists.txt, once every program target exists.
# Only the programs and their desktop integration are installed: tests, benchmarks and
# the developer tools (krm416x-shots, krm416x-icon) stay in the build tree.

include(GNUInstallDirs)

# The window program exists only in builds with the user interface (sanitizer builds of the
# core leave it out); the virtual device and the command-line tool are always built.
set(KRM_INSTALLED_PROGRAMS krm416x-sim krm416x-ctl)
if(KRM_BUILD_UI)
    list(APPEND KRM_INSTALLED_PROGRAMS krm416x)
endif()
install(TARGETS ${KRM_INSTALLED_PROGRAMS} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

if(KRM_BUILD_UI)
    # The program finds itself installed by this .desktop file (see DefaultDataFolder() in
    # app/program.cpp) and then keeps its data in the per-user data folder.
    install(FILES ${PROJECT_SOURCE_DIR}/res/krm416x.desktop
            DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    set(krm_icons ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
    install(FILES ${PROJECT_SOURCE_DIR}/res/krm416x.svg DESTINATION ${krm_icons}/scalable/apps)
    install(FILES ${PROJECT_SOURCE_DIR}/res/krm416x.png DESTINATION ${krm_icons}/128x128/apps)
    install(FILES ${PROJECT_SOURCE_DIR}/res/krm416x-256.png DESTINATION ${krm_icons}/256x256/apps
            RENAME krm416x.png)
endif()
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})

if(KRM_BUILD_TESTS)
    # The install tree holds exactly the files above: a new program that is forgotten, or a
    # test program that slips in, fails this test.
    set(krm_expected ${CMAKE_INSTALL_BINDIR}/krm416x-sim ${CMAKE_INSTALL_BINDIR}/krm416x-ctl
                     ${CMAKE_INSTALL_DOCDIR}/README.md)
    if(KRM_BUILD_UI)
        list(APPEND krm_expected
             ${CMAKE_INSTALL_BINDIR}/krm416x
             ${CMAKE_INSTALL_DATADIR}/applications/krm416x.desktop
             ${krm_icons}/scalable/apps/krm416x.svg
             ${krm_icons}/128x128/apps/krm416x.png
             ${krm_icons}/256x256/apps/krm416x.png)
    endif()
    string(REPLACE ";" "," krm_expected "${krm_expected}")
    add_test(NAME install_tree
             COMMAND ${CMAKE_COMMAND} -DBUILD_DIR=${PROJECT_BINARY_DIR}
                     -DPREFIX=${PROJECT_BINARY_DIR}/install-check -DEXPECTED=${krm_expected}
                     -DBINDIR=${CMAKE_INSTALL_BINDIR}
                     -P ${PROJECT_SOURCE_DIR}/cmake/check_install.cmake)
    set_tests_properties(install_tree PROPERTIES LABELS app TIMEOUT 120)

    # CI installs desktop-file-utils; elsewhere the check is left out rather than faked.
    find_program(KRM_DESKTOP_FILE_VALIDATE desktop-file-validate)
    if(KRM_DESKTOP_FILE_VALIDATE AND KRM_BUILD_UI)
        add_test(NAME desktop_file_valid
                 COMMAND ${KRM_DESKTOP_FILE_VALIDATE} ${PROJECT_SOURCE_DIR}/res/krm416x.desktop)
        # The validator prints its findings but exits 0 for warnings and hints: any output
        # is a failure too.
        set_tests_properties(desktop_file_valid PROPERTIES LABELS app FAIL_REGULAR_EXPRESSION ".")
    endif()
endif()

# cpack -G DEB (tools/package.sh): a Debian package named krm416x.
set(KRM_PACKAGE_MAINTAINER "KRM-416X developers <krm416x@example.org>"
    CACHE STRING "Maintainer field of the Debian package")
set(CPACK_PACKAGE_NAME krm416x)
set(CPACK_PACKAGE_VENDOR "KRM-416X developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "control program for the KRM-416X conference audio processor")
set(CPACK_PACKAGE_CONTACT ${KRM_PACKAGE_MAINTAINER})
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${KRM_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Depends comes from the programs' shared libraries (dpkg-shlibdeps, package dpkg-dev).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The names are drawn with a CJK-capable font when "Arial Unicode MS" is missing.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS fonts-wqy-microhei)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# CPack puts the summary above this text and indents it as Debian wants.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Finds the KRM-416X on the LAN and edits its processing live over UDP: channel
strips, EQ, dynamics, routing, auto-mixer, groups, effects, microphone units,
presets, stored settings and firmware updates.

krm416x-sim is a virtual KRM-416X on a loopback address for trying the program
without the device.
krm416x-ctl is the command-line tool for integrators.
Presets and stored settings live in the per-user data folder,
~/.local/share/krm416x.")
include(CPack)
