# The editor, viewer and diagram windows, their find dialogs, the viewer's line
# index and the metafile reader and player.
palumaro_add_gtest(test_lineindex ${CMAKE_CURRENT_LIST_DIR}/test_lineindex.cpp)
palumaro_add_gtest(test_wmf ${CMAKE_CURRENT_LIST_DIR}/test_wmf.cpp)
palumaro_add_qtest(test_editor ${CMAKE_CURRENT_LIST_DIR}/test_editor.cpp)
palumaro_add_qtest(test_viewer ${CMAKE_CURRENT_LIST_DIR}/test_viewer.cpp)
palumaro_add_qtest(test_diagram ${CMAKE_CURRENT_LIST_DIR}/test_diagram.cpp)
