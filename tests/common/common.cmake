palumaro_add_gtest(test_common
  ${CMAKE_CURRENT_LIST_DIR}/test_bytes.cpp
  ${CMAKE_CURRENT_LIST_DIR}/test_codecs.cpp
  ${CMAKE_CURRENT_LIST_DIR}/test_files.cpp
  ${CMAKE_CURRENT_LIST_DIR}/test_numtext.cpp
  ${CMAKE_CURRENT_LIST_DIR}/test_settings.cpp
  ${CMAKE_CURRENT_LIST_DIR}/test_safereplace.cpp
  ${CMAKE_CURRENT_LIST_DIR}/test_shippeddft.cpp)
