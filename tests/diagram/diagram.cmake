# The diagram window, the metafile reader and its player.
palumaro_add_gtest(test_wmf ${CMAKE_CURRENT_LIST_DIR}/test_wmf.cpp)
palumaro_add_qtest(test_diagram ${CMAKE_CURRENT_LIST_DIR}/test_diagram.cpp)
