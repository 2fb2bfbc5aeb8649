# `cmake --install` and `cpack -G DEB`: the programs, their manual pages, the
# desktop entry, the icon in the hicolor theme, the Ansible collection, and the
# copyright and changelog files Debian's policy asks of every package.
include(GNUInstallDirs)

set(RK_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)
find_program(RK_GZIP gzip REQUIRED)

# rk_gzip(FILE) -> a build rule for FILE.gz beside FILE. Manual pages and the
# changelog are installed compressed, as Debian's policy has it: -9, and -n
# so that the same file gives the same bytes (no name or time stamp inside).
function(rk_gzip file)
  get_filename_component(folder ${file} DIRECTORY)
  add_custom_command(
    OUTPUT ${file}.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${folder}
    COMMAND ${RK_GZIP} -9 -n -k -f ${file}
    DEPENDS ${file}
    COMMENT "Compressing ${file}"
    VERBATIM)
endfunction()

set(compressed_docs "")
# Each program that is built goes to bin/ with its page from packaging/man;
# rk5720-cli joins by existing.
foreach(program rk5720-config rk5720-sim rk5720-cli)
  if(NOT TARGET ${program})
    continue()
  endif()
  install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  set(page ${RK_PACKAGING_DIR}/man/${program}.1)
  if(EXISTS ${page})
    set(built_page ${PROJECT_BINARY_DIR}/packaging/man/${program}.1)
    configure_file(${page} ${built_page} @ONLY)
    rk_gzip(${built_page})
    list(APPEND compressed_docs ${built_page}.gz)
    install(FILES ${built_page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  endif()
endforeach()

# A package whose version has no Debian revision is native: its changelog is
# changelog.gz, not changelog.Debian.gz.
set(changelog ${PROJECT_BINARY_DIR}/packaging/doc/changelog)
configure_file(${RK_PACKAGING_DIR}/changelog ${changelog} COPYONLY)
rk_gzip(${changelog})
list(APPEND compressed_docs ${changelog}.gz)
install(FILES ${changelog}.gz ${RK_PACKAGING_DIR}/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})
add_custom_target(rk_compressed_docs ALL DEPENDS ${compressed_docs})

install(FILES ${RK_PACKAGING_DIR}/rk5720-config.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)

# The Ansible collection rk5720.lan goes where ansible-core looks for collections
# by default (with the /usr prefix); its modules run rk5720-cli.
install(DIRECTORY ${RK_PACKAGING_DIR}/ansible/ansible_collections/rk5720/lan
        DESTINATION ${CMAKE_INSTALL_DATADIR}/ansible/collections/ansible_collections/rk5720
        FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ
        DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                              WORLD_READ WORLD_EXECUTE
        PATTERN __pycache__ EXCLUDE
        PATTERN "*.pyc" EXCLUDE
        # The package's copyright file names the licence; Debian keeps no second copy.
        PATTERN LICENSE EXCLUDE)

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
# Lines of the extended description stay under 80 characters.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
  "Reads and changes the network parameters of RK5720 LAN communication"
  "servers, restarts them and follows them to their new address, upgrades"
  "their firmware and tests the path to RK5700 instruments through the"
  "string protocol and ModBus/TCP."
  ""
  "Includes rk5720-cli, the same work from scripts and for many servers at"
  "once, rk5720-sim, a simulator of the server for tests and"
  "demonstrations, and the Ansible collection rk5720.lan, whose modules run"
  "rk5720-cli from playbooks.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# Debian's policy asks for a name and an address.
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "RK5720 LAN Config developers <rk5720-config@example.org>")
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The windows are laid out for DejaVu Sans; the About window's faces come as
# their free metric-compatible twins.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-dejavu-core, fonts-liberation2")
# The collection's modules need the engine, which a workstation does without.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "ansible-core")
# The library dependencies are read from the binaries by dpkg-shlibdeps.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
include(CPack)
