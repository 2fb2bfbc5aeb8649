# Bitmaps of our own drawings (window icon, About picture, theme icons) are
# rendered from the SVG sources at build time by a small tool of ours.
# It runs on the build machine: a cross build uses one built for the build
# machine, named by RK_HOST_SVG2PNG.
if(CMAKE_CROSSCOMPILING)
  if(NOT EXISTS "${RK_HOST_SVG2PNG}")
    message(FATAL_ERROR "A cross build needs RK_HOST_SVG2PNG: rk-svg2png built for this machine")
  endif()
  add_executable(rk-svg2png IMPORTED)
  set_target_properties(rk-svg2png PROPERTIES IMPORTED_LOCATION "${RK_HOST_SVG2PNG}")
else()
  add_subdirectory(${PROJECT_SOURCE_DIR}/packaging/svg2png ${PROJECT_BINARY_DIR}/packaging/svg2png)
endif()

# rk_render_svg(OUTPUT out.png SVG in.svg SIZE width height)
# A build rule that renders `in.svg` to `out.png`. The rule makes the output's
# folder itself: only Ninja creates it for a custom command, Make does not.
function(rk_render_svg)
  cmake_parse_arguments(R "" "OUTPUT;SVG" "SIZE" ${ARGN})
  list(GET R_SIZE 0 width)
  list(GET R_SIZE 1 height)
  get_filename_component(folder ${R_OUTPUT} DIRECTORY)
  add_custom_command(
    OUTPUT ${R_OUTPUT}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${folder}
    COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=0 $<TARGET_FILE:rk-svg2png> ${R_SVG}
            ${R_OUTPUT} ${width} ${height}
    DEPENDS rk-svg2png ${R_SVG}
    COMMENT "Rendering ${width}x${height} ${R_OUTPUT}"
    VERBATIM)
endfunction()
