# rk_add_test(NAME name SOURCES a.cpp b.cpp LIBS lib1 lib2 [TIMEOUT seconds])
# One Qt Test executable registered with CTest, run offscreen.
function(rk_add_test)
  cmake_parse_arguments(T "" "NAME;TIMEOUT" "SOURCES;LIBS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} Qt6::Test Qt6::Network rk_common_cfg)
  target_include_directories(${T_NAME} PRIVATE ${PROJECT_SOURCE_DIR}/tests/support)
  add_test(NAME ${T_NAME} COMMAND ${T_NAME})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  set_tests_properties(${T_NAME} PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen"
                                            TIMEOUT ${T_TIMEOUT})
endfunction()
