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
# Packages (CPack components): rk5720-cli alone is what a jump host needs, no
# window and no Qt GUI library; the window and the simulator go together.
set(rk_component_rk5720-cli cli)
set(rk_component_rk5720-config config)
set(rk_component_rk5720-sim config)
foreach(program rk5720-config rk5720-sim rk5720-cli)
  if(NOT TARGET ${program})
    continue()
  endif()
  set(component ${rk_component_${program}})
  install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT ${component})
  set(page ${RK_PACKAGING_DIR}/man/${program}.1)
  if(EXISTS ${page})
    set(built_page ${PROJECT_BINARY_DIR}/packaging/man/${program}.1)
    configure_file(${page} ${built_page} @ONLY)
    rk_gzip(${built_page})
    list(APPEND compressed_docs ${built_page}.gz)
    install(FILES ${built_page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1
            COMPONENT ${component})
  endif()
endforeach()

# A package whose version has no Debian revision is native: its changelog is
# changelog.gz, not changelog.Debian.gz.
set(changelog ${PROJECT_BINARY_DIR}/packaging/doc/changelog)
configure_file(${RK_PACKAGING_DIR}/changelog ${changelog} COPYONLY)
rk_gzip(${changelog})
list(APPEND compressed_docs ${changelog}.gz)
# Every package carries them, in its own folder.
foreach(component_package cli:rk5720-cli config:rk5720-config
                          collection:ansible-collection-rk5720-lan)
  string(REPLACE ":" ";" pair ${component_package})
  list(GET pair 0 component)
  list(GET pair 1 package)
  install(FILES ${changelog}.gz ${RK_PACKAGING_DIR}/copyright
          DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${package} COMPONENT ${component})
endforeach()
add_custom_target(rk_compressed_docs ALL DEPENDS ${compressed_docs})

install(FILES ${RK_PACKAGING_DIR}/rk5720-config.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT config)

# The Ansible collection rk5720.lan goes where ansible-core looks for collections
# by default (with the /usr prefix); its modules run rk5720-cli.
install(DIRECTORY ${RK_PACKAGING_DIR}/ansible/ansible_collections/rk5720/lan
        DESTINATION ${CMAKE_INSTALL_DATADIR}/ansible/collections/ansible_collections/rk5720
        COMPONENT collection
        FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ
        DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                              WORLD_READ WORLD_EXECUTE
        PATTERN __pycache__ EXCLUDE
        PATTERN "*.pyc" EXCLUDE
        # The package's copyright file names the licence; Debian keeps no second copy.
        PATTERN LICENSE EXCLUDE)

set(icon_svg ${PROJECT_SOURCE_DIR}/src/app/resources/rk5720-config.svg)
install(FILES ${icon_svg} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
        COMPONENT config)
set(theme_pngs "")
foreach(size 16 32 48 64 128 256)
  set(png ${PROJECT_BINARY_DIR}/packaging/icons/${size}x${size}/rk5720-config.png)
  rk_render_svg(OUTPUT ${png} SVG ${icon_svg} SIZE ${size} ${size})
  list(APPEND theme_pngs ${png})
  install(FILES ${png} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
          COMPONENT config)
endforeach()
add_custom_target(rk_theme_icons ALL DEPENDS ${theme_pngs})

set(CPACK_PACKAGE_NAME rk5720-config)
set(CPACK_PACKAGE_VENDOR "RK5720 LAN Config developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL cli config collection)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# Debian's policy asks for a name and an address.
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "RK5720 LAN Config developers <rk5720-config@example.org>")
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The library dependencies are read from the binaries by dpkg-shlibdeps.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)

# Lines of the extended descriptions stay under 80 characters.
set(CPACK_DEBIAN_CLI_PACKAGE_NAME rk5720-cli)
string(JOIN "\n" CPACK_DEBIAN_CLI_DESCRIPTION
  "command-line tool for RK5720 LAN communication servers"
  "Reads, changes, exports and applies the network parameters of RK5720 LAN"
  "communication servers, many at once, restarts them and follows them to"
  "their new address, and upgrades their firmware, from scripts. Needs no"
  "display: what a jump host of a site runs.")

set(CPACK_DEBIAN_CONFIG_PACKAGE_NAME rk5720-config)
string(JOIN "\n" CPACK_DEBIAN_CONFIG_DESCRIPTION
  "configuration tool for RK5720 LAN communication servers"
  "Reads and changes the network parameters of RK5720 LAN communication"
  "servers, restarts them and follows them to their new address, upgrades"
  "their firmware and tests the path to RK5700 instruments through the"
  "string protocol and ModBus/TCP, in a window."
  ""
  "Includes rk5720-sim, a simulator of the server for tests and"
  "demonstrations.")
# The windows are laid out for DejaVu Sans; the About window's faces come as
# their free metric-compatible twins.
set(CPACK_DEBIAN_CONFIG_PACKAGE_RECOMMENDS "fonts-dejavu-core, fonts-liberation2, rk5720-cli")

set(CPACK_DEBIAN_COLLECTION_PACKAGE_NAME ansible-collection-rk5720-lan)
set(CPACK_DEBIAN_COLLECTION_PACKAGE_ARCHITECTURE all)
set(CPACK_DEBIAN_COLLECTION_PACKAGE_SECTION admin)
set(CPACK_DEBIAN_COLLECTION_PACKAGE_SHLIBDEPS OFF)
# Its tasks run on the control node; rk5720-cli runs where each task runs,
# which may be a jump host: recommended here, not required.
set(CPACK_DEBIAN_COLLECTION_PACKAGE_DEPENDS "ansible-core (>= 2.14)")
set(CPACK_DEBIAN_COLLECTION_PACKAGE_RECOMMENDS "rk5720-cli (>= ${PROJECT_VERSION})")
string(JOIN "\n" CPACK_DEBIAN_COLLECTION_DESCRIPTION
  "Ansible collection rk5720.lan for RK5720 LAN communication servers"
  "Configures, upgrades and reads RK5720 LAN communication servers from"
  "playbooks, host by host or a whole site in one run, through rk5720-cli"
  "on the control node or on a jump host of each site.")
include(CPack)
