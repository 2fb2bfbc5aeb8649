# cmake -DBINARIES="a;b" -P RkCheckNoGui.cmake: fails when one of the binaries
# loads Qt Widgets or Qt Gui.
foreach(bin IN LISTS BINARIES)
  execute_process(COMMAND ldd ${bin} OUTPUT_VARIABLE libs RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "ldd ${bin} failed")
  endif()
  if(libs MATCHES "libQt6(Widgets|Gui)")
    message(FATAL_ERROR "${bin} links ${CMAKE_MATCH_0}")
  endif()
  message(STATUS "${bin}: no Qt Widgets, no Qt Gui")
endforeach()
