palumaro_add_gtest(test_shellcore
  ${CMAKE_CURRENT_LIST_DIR}/test_menustate.cpp)
