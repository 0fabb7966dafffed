# Settings-file locations. The read-only cases need permission bits that bind,
# so as root they run as nobody (forked inside the test).
add_executable(test_configdir ${CMAKE_CURRENT_LIST_DIR}/test_configdir.cpp)
target_link_libraries(test_configdir PRIVATE palumaro_core GTest::gtest GTest::gtest_main)
target_include_directories(test_configdir PRIVATE ${PROJECT_SOURCE_DIR}/tests)
add_test(NAME test_configdir COMMAND test_configdir)
set_tests_properties(test_configdir PROPERTIES TIMEOUT 120)
