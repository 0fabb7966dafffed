# File > Print Preview through the print job.
palumaro_add_qtest(test_printpreview ${CMAKE_CURRENT_LIST_DIR}/test_printpreview.cpp ${CMAKE_CURRENT_LIST_DIR}/printtesthelpers.cpp)
