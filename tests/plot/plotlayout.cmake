# The plot window's layout for a new user: frame, tick labels, export names,
# sizes and the close question; the ticks of a zoomed view and the table text.
palumaro_add_qtest(test_plotlayout ${CMAKE_CURRENT_LIST_DIR}/test_plotlayout.cpp)
palumaro_add_gtest(test_viewticks ${CMAKE_CURRENT_LIST_DIR}/test_viewticks.cpp)
