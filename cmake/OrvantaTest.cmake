# orv_add_test(NAME name SOURCES ... LIBS ... [X11] [LABELS ...] [TIMEOUT s])
#
# One test executable run by CTest. Widget tests run on Qt's offscreen
# platform; tests marked X11 need the X server that scripts/test starts and
# run on the xcb platform with the DISPLAY they are given.
function(orv_add_test)
  cmake_parse_arguments(T "X11" "NAME;TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE Qt6::Test ${T_LIBS})
  target_include_directories(${T_NAME} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  add_test(NAME ${T_NAME} COMMAND ${T_NAME})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  if(T_X11)
    set(env "QT_QPA_PLATFORM=xcb")
    list(APPEND T_LABELS x11)
  else()
    set(env "QT_QPA_PLATFORM=offscreen")
  endif()
  set_tests_properties(${T_NAME} PROPERTIES
    TIMEOUT ${T_TIMEOUT}
    LABELS "${T_LABELS}"
    ENVIRONMENT "${env};ORVANTA_SOURCE_DIR=${PROJECT_SOURCE_DIR};ORVANTA_BINARY_DIR=${PROJECT_BINARY_DIR}")
endfunction()
