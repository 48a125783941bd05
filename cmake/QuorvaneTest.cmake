# quorvane_add_test(NAME name SOURCES ... LIBS ... [NO_WIDGETS])
# Builds one GoogleTest binary and registers it with CTest, with the environment every test runs in:
# the offscreen platform, so widgets work without a display. NO_WIDGETS builds it with a core application
# object and without the widgets library, so that code meant to run without widgets is proven to link
# without them.
find_package(GTest REQUIRED)

function(quorvane_add_test)
  cmake_parse_arguments(T "NO_WIDGETS" "NAME;TIMEOUT" "SOURCES;LIBS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  if(T_NO_WIDGETS)
    set(support quorvane_testsupport_core quorvane_testmain_core)
  else()
    set(support quorvane_testsupport quorvane_testmain)
  endif()
  target_link_libraries(${T_NAME} PRIVATE quorvane_options ${support} ${T_LIBS} GTest::gtest Qt6::Test)
  if(T_NO_WIDGETS)
    quorvane_precompile(${T_NAME})
  else()
    quorvane_precompile(${T_NAME} WIDGETS)
  endif()
  # The tests hold no QObject classes (the loopback server in the support library does): no moc step.
  set_target_properties(${T_NAME} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests AUTOMOC OFF)
  add_test(NAME ${T_NAME} COMMAND ${T_NAME})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  set(environment QT_QPA_PLATFORM=offscreen QUORVANE_BIN_DIR=${CMAKE_BINARY_DIR}/bin
      QUORVANE_FIXTURES=${CMAKE_SOURCE_DIR}/tests/fixtures)
  if(QUORVANE_SANITIZE)
    # Chromium inside Debian's Qt WebEngine frees some objects through a pointer of another size; that
    # check would stop every test that loads the browser engine in code that is not ours.
    list(APPEND environment LSAN_OPTIONS=suppressions=${CMAKE_SOURCE_DIR}/tests/lsan.supp
         UBSAN_OPTIONS=print_stacktrace=1 ASAN_OPTIONS=new_delete_type_mismatch=0)
  endif()
  set_tests_properties(${T_NAME} PROPERTIES TIMEOUT ${T_TIMEOUT} ENVIRONMENT "${environment}")
endfunction()
