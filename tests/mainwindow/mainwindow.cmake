palumaro_add_qtest(test_mainwindow ${CMAKE_CURRENT_LIST_DIR}/test_mainwindow.cpp)
palumaro_add_qtest(test_setupdlg ${CMAKE_CURRENT_LIST_DIR}/test_setupdlg.cpp)
palumaro_add_qtest(test_filedispatch ${CMAKE_CURRENT_LIST_DIR}/test_filedispatch.cpp)
palumaro_add_qtest(test_docwindows ${CMAKE_CURRENT_LIST_DIR}/test_docwindows.cpp)
