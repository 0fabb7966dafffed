# The table subsystem: core tests of the table file, run decks, constants scan
# and table edits; window tests of the table window, its dialogs and Run Table.
palumaro_add_gtest(test_tablecore
  ${CMAKE_CURRENT_LIST_DIR}/test_deckconstants.cpp
  ${CMAKE_CURRENT_LIST_DIR}/test_tabledata.cpp
  ${CMAKE_CURRENT_LIST_DIR}/test_tablefile.cpp
  ${CMAKE_CURRENT_LIST_DIR}/test_rundecks.cpp)
palumaro_add_qtest(test_tablewindow ${CMAKE_CURRENT_LIST_DIR}/test_tablewindow.cpp)
add_dependencies(test_tablewindow kalvex32)
palumaro_add_qtest(test_tablevalues ${CMAKE_CURRENT_LIST_DIR}/test_tablevalues.cpp)
palumaro_add_qtest(test_tablerunwindow ${CMAKE_CURRENT_LIST_DIR}/test_tablerunwindow.cpp)
add_dependencies(test_tablerunwindow kalvex32)
