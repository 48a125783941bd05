# Precompiled headers: the Qt, GoogleTest and standard headers that nearly every file includes are parsed
# once per kind of target instead of once per file, which is most of a file's compile time.
#
# One host target per kind, because a precompiled header only serves compiles with the host's flags:
# libraries (-fPIC) and executables (-fPIE) differ, and a target without the widgets library has no
# QtWidgets headers to read. A target whose flags still differ from its host's compiles the same headers
# as text (the header is force-included either way), so a mismatch costs time, never the build.
#
# The force-included header hides a missing #include of one of these headers; scripts/lint compiles
# src/ and tools/ without it.
#
# On by default with GCC only: the shared hosts rely on GCC compiling the headers as text when a
# target's flags differ from its host's, where clang (the fuzz build) stops with an error instead.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  set(quorvane_pch_default ON)
else()
  set(quorvane_pch_default OFF)
endif()
option(QUORVANE_PCH "Precompile the headers most files include" ${quorvane_pch_default})

set(quorvane_pch_core
  <QByteArray> <QByteArrayView> <QCoreApplication> <QDate> <QDateTime> <QDir> <QElapsedTimer> <QFile>
  <QFileInfo> <QHash> <QList> <QObject> <QPointer> <QString> <QStringList> <QStringView> <QTimer> <QUrl>
  <QVariant>
  <algorithm> <array> <functional> <memory> <optional> <string> <string_view> <utility> <vector>)
set(quorvane_pch_widgets
  <QApplication> <QComboBox> <QDialog> <QGroupBox> <QHBoxLayout> <QHeaderView> <QLabel> <QLineEdit>
  <QMenu> <QPainter> <QPushButton> <QTableView> <QToolButton> <QVBoxLayout> <QWidget>)
set(quorvane_pch_test <gtest/gtest.h> <QSignalSpy> <QTemporaryDir> <QTest>)

if(QUORVANE_PCH)
  set(host_source ${CMAKE_CURRENT_LIST_DIR}/PchHost.cpp)
  set(host_main ${CMAKE_CURRENT_LIST_DIR}/PchHostMain.cpp)

  add_library(quorvane_pch_library STATIC ${host_source})
  target_link_libraries(quorvane_pch_library PRIVATE quorvane_options Qt6::Core)
  target_precompile_headers(quorvane_pch_library PRIVATE ${quorvane_pch_core})

  add_library(quorvane_pch_widgets_library STATIC ${host_source})
  target_link_libraries(quorvane_pch_widgets_library PRIVATE quorvane_options Qt6::Widgets)
  target_precompile_headers(quorvane_pch_widgets_library PRIVATE ${quorvane_pch_core} ${quorvane_pch_widgets})
  set_target_properties(quorvane_pch_library quorvane_pch_widgets_library PROPERTIES AUTOMOC OFF)

  if(QUORVANE_BUILD_TESTS)
    find_package(GTest REQUIRED)
    # QtTest's headers read which Qt modules a target links (QT_GUI_LIB, QT_NETWORK_LIB, QT_WIDGETS_LIB), so
    # the test hosts link what every test links: the platform library's Gui, the loopback server's Network.
    # QtTest defines each target's build and source folder for QFINDTESTDATA and QTEST_MAIN, which the
    # tests do not use (GoogleTest runs them); defined differently in every folder, they would make the
    # precompiled QtTest headers unusable everywhere but in the hosts.
    set_property(TARGET Qt6::Test PROPERTY INTERFACE_COMPILE_DEFINITIONS QT_TESTLIB_LIB)
    add_executable(quorvane_pch_test ${host_main})
    target_link_libraries(quorvane_pch_test PRIVATE quorvane_options Qt6::Gui Qt6::Network Qt6::Test GTest::gtest)
    target_precompile_headers(quorvane_pch_test PRIVATE ${quorvane_pch_core} ${quorvane_pch_test})

    add_executable(quorvane_pch_widgets_test ${host_main})
    target_link_libraries(quorvane_pch_widgets_test PRIVATE quorvane_options Qt6::Widgets Qt6::Network Qt6::Test
                          GTest::gtest)
    target_precompile_headers(quorvane_pch_widgets_test PRIVATE ${quorvane_pch_core} ${quorvane_pch_widgets}
                              ${quorvane_pch_test})
    # Not beside the program: the hosts are never run.
    set_target_properties(quorvane_pch_test quorvane_pch_widgets_test PROPERTIES AUTOMOC OFF
                          RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/pch)
  endif()
endif()

# quorvane_precompile(target [WIDGETS]): the target reuses the precompiled headers of its kind. WIDGETS
# for a target that links the widgets library.
function(quorvane_precompile target)
  if(NOT QUORVANE_PCH)
    return()
  endif()
  cmake_parse_arguments(P "WIDGETS" "" "" ${ARGN})
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "EXECUTABLE")
    set(host quorvane_pch_test)
  else()
    set(host quorvane_pch_library)
  endif()
  if(P_WIDGETS)
    string(REPLACE "quorvane_pch_" "quorvane_pch_widgets_" host ${host})
  endif()
  if(TARGET ${host})
    target_precompile_headers(${target} REUSE_FROM ${host})
  endif()
endfunction()
