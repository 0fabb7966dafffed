# The editor and viewer windows, their find dialog and the viewer's line index.
palumaro_add_gtest(test_lineindex ${CMAKE_CURRENT_LIST_DIR}/test_lineindex.cpp)
palumaro_add_qtest(test_editor ${CMAKE_CURRENT_LIST_DIR}/test_editor.cpp)
palumaro_add_qtest(test_viewer ${CMAKE_CURRENT_LIST_DIR}/test_viewer.cpp)
