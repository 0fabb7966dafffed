palumaro_add_gtest(test_helptext ${CMAKE_CURRENT_LIST_DIR}/test_helptext.cpp)
palumaro_add_qtest(test_helpdialogs ${CMAKE_CURRENT_LIST_DIR}/test_helpdialogs.cpp)
