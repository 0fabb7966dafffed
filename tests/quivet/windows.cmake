# The QUIVET form window: reading, layout, checks, units, saving, closing,
# printing, and the sample form run through the real engine.
palumaro_add_qtest(test_quivetform ${CMAKE_CURRENT_LIST_DIR}/test_quivetform.cpp)
