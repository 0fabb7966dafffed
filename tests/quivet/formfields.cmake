# QUIVET form fields for a new user: boxes that fit their values, labels shown
# whole, tooltips, Tab after a scroll, finding a field by name, damaged pictures.
palumaro_add_qtest(test_formfields ${CMAKE_CURRENT_LIST_DIR}/test_formfields.cpp)
