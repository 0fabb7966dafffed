# Saving as an unprivileged user: read-only files are refused, nothing is lost.
palumaro_add_qtest(test_safesave ${CMAKE_CURRENT_LIST_DIR}/test_safesave.cpp)
