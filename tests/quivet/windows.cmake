# The QUIVET form window: reading, layout, checks, units, saving, closing,
# printing, and the sample form run through the real engine.
palumaro_add_qtest(test_quivetform ${CMAKE_CURRENT_LIST_DIR}/test_quivetform.cpp)
# A form far longer than its window: rows built near the view, every field still
# reached with Tab, helped, converted, saved and printed.
palumaro_add_qtest(test_quivetlongform ${CMAKE_CURRENT_LIST_DIR}/test_quivetlongform.cpp
  ${PROJECT_SOURCE_DIR}/tests/shell/printtesthelpers.cpp)
