# The plot subsystem: plot data, saved plots and axes in the core; drawing, the
# plot window and the plot dialogs as window tests.
palumaro_add_gtest(test_plotcore ${CMAKE_CURRENT_LIST_DIR}/test_plotdata.cpp ${CMAKE_CURRENT_LIST_DIR}/test_pmxfile.cpp
  ${CMAKE_CURRENT_LIST_DIR}/test_axes.cpp ${CMAKE_CURRENT_LIST_DIR}/test_plotfollow.cpp)
palumaro_add_qtest(test_plotwindow ${CMAKE_CURRENT_LIST_DIR}/test_plotwindow.cpp)
# New plots from a real run of the stand-in engine.
palumaro_add_qtest(test_plotdialogs ${CMAKE_CURRENT_LIST_DIR}/test_plotdialogs.cpp)
add_dependencies(test_plotdialogs kalvex32)
# Modify Plot keeping codes, limits and text bytes the user did not touch.
palumaro_add_qtest(test_modifyplot ${CMAKE_CURRENT_LIST_DIR}/test_modifyplot.cpp)
# Drawing large curves: the reduced drawing against drawing every point; deep
# zooms on every output.
palumaro_add_qtest(test_plotrender ${CMAKE_CURRENT_LIST_DIR}/test_plotrender.cpp
  ${PROJECT_SOURCE_DIR}/tests/shell/printtesthelpers.cpp)
# Zoom, cursors, export and the plot of a table's runs (with the real engine).
palumaro_add_qtest(test_plotviews ${CMAKE_CURRENT_LIST_DIR}/test_plotviews.cpp)
add_dependencies(test_plotviews kalvex32)
# A plot window following the plot data of a running (slowed) engine.
palumaro_add_qtest(test_plotlive ${CMAKE_CURRENT_LIST_DIR}/test_plotlive.cpp)
add_dependencies(test_plotlive kalvex32)
