# orv_add_test(NAME name SOURCES ... LIBS ... [X11] [LABELS ...] [TIMEOUT s])
#
# One test executable run by CTest. Widget tests run on Qt's offscreen
# platform; tests marked X11 need the X server that scripts/test starts and
# run on the xcb platform with the DISPLAY they are given.
#
# Tests are guests on the machine: they get a home of their own in the build
# tree (nothing reads or writes the user's configuration), and the program's
# document bridge points at a pipe no office listens on, so no test reaches
# the user's Writer. A test that wants an office starts its own.
set(ORV_TEST_HOME ${PROJECT_BINARY_DIR}/test-home)
file(MAKE_DIRECTORY ${ORV_TEST_HOME}/runtime)
# The runtime folder holds the single-instance locks: one per build tree, so
# suites of two checkouts running at once never meet there.
file(CHMOD ${ORV_TEST_HOME}/runtime DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
set(ORV_TEST_ENVIRONMENT
  "HOME=${ORV_TEST_HOME}" "XDG_CONFIG_HOME=${ORV_TEST_HOME}/.config"
  "XDG_CACHE_HOME=${ORV_TEST_HOME}/.cache" "XDG_DATA_HOME=${ORV_TEST_HOME}/.local/share"
  "XDG_RUNTIME_DIR=${ORV_TEST_HOME}/runtime"
  "ORVANTA_OFFICE_PIPE=orvtest-no-office"
  # An installed Orvanta on the machine is never a test's database.
  "ORVANTA_DATA_DIR=${ORV_TEST_HOME}/no-installed-data"
  "ORVANTA_SOURCE_DIR=${PROJECT_SOURCE_DIR}" "ORVANTA_BINARY_DIR=${PROJECT_BINARY_DIR}")
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
    ENVIRONMENT "${env};${ORV_TEST_ENVIRONMENT}")
endfunction()
