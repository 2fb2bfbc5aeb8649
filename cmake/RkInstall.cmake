# `cmake --install` and `cpack -G DEB`: the programs, their manual pages, the
# desktop entry and the icon in the hicolor theme.
include(GNUInstallDirs)

set(RK_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)

# Each program that is built goes to bin/ with its page from packaging/man;
# rk5720-cli joins by existing.
foreach(program rk5720-config rk5720-sim rk5720-cli)
  if(NOT TARGET ${program})
    continue()
  endif()
  install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  set(page ${RK_PACKAGING_DIR}/man/${program}.1)
  if(EXISTS ${page})
    configure_file(${page} ${PROJECT_BINARY_DIR}/packaging/man/${program}.1 @ONLY)
    install(FILES ${PROJECT_BINARY_DIR}/packaging/man/${program}.1
            DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  endif()
endforeach()

install(FILES ${RK_PACKAGING_DIR}/rk5720-config.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)

set(icon_svg ${PROJECT_SOURCE_DIR}/src/app/resources/rk5720-config.svg)
install(FILES ${icon_svg} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
set(theme_pngs "")
foreach(size 16 32 48 64 128 256)
  set(png ${PROJECT_BINARY_DIR}/packaging/icons/${size}x${size}/rk5720-config.png)
  rk_render_svg(OUTPUT ${png} SVG ${icon_svg} SIZE ${size} ${size})
  list(APPEND theme_pngs ${png})
  install(FILES ${png} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
add_custom_target(rk_theme_icons ALL DEPENDS ${theme_pngs})

set(CPACK_PACKAGE_NAME rk5720-config)
set(CPACK_PACKAGE_VENDOR "RK5720 LAN Config developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "configuration tool for RK5720 LAN communication servers")
set(CPACK_PACKAGE_DESCRIPTION
    "Reads and changes the network parameters of RK5720 LAN communication servers, restarts them and follows them to their new address, upgrades their firmware and tests the path to RK5700 instruments through the string protocol and ModBus/TCP. Includes rk5720-cli, the same work from scripts and for many servers at once, and rk5720-sim, a simulator of the server for tests and demonstrations.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "RK5720 LAN Config developers")
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The layout's fonts, by metric-compatible free faces.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS fonts-liberation2)
# The library dependencies are read from the binaries by dpkg-shlibdeps.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
include(CPack)
