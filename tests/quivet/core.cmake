# The QUIVET core: field numbers, choice files, markup reading and deck writing.
palumaro_add_gtest(test_quivetcore
  ${CMAKE_CURRENT_LIST_DIR}/test_fieldnumber.cpp
  ${CMAKE_CURRENT_LIST_DIR}/test_quivetreader.cpp
  ${CMAKE_CURRENT_LIST_DIR}/test_deckwriter.cpp
  ${CMAKE_CURRENT_LIST_DIR}/quivettestfiles.cpp)
