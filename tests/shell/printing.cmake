# The print job, its page layout and the window-printing dialog.
palumaro_add_gtest(test_printlayout ${CMAKE_CURRENT_LIST_DIR}/test_printlayout.cpp)
palumaro_add_qtest(test_printjob ${CMAKE_CURRENT_LIST_DIR}/test_printjob.cpp ${CMAKE_CURRENT_LIST_DIR}/printtesthelpers.cpp)
palumaro_add_qtest(test_printdlg ${CMAKE_CURRENT_LIST_DIR}/test_printdlg.cpp ${CMAKE_CURRENT_LIST_DIR}/printtesthelpers.cpp)
