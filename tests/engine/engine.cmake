# The stand-in engine: its expressions in-process, its runs in-process and as
# the real executable (which the run tests start, so it must be built first).
palumaro_add_gtest(engine_expression_test ${CMAKE_CURRENT_LIST_DIR}/expression_test.cpp)
target_link_libraries(engine_expression_test PRIVATE kalvex_engine)

palumaro_add_gtest(engine_run_test ${CMAKE_CURRENT_LIST_DIR}/enginerun_test.cpp)
target_link_libraries(engine_run_test PRIVATE kalvex_engine)
add_dependencies(engine_run_test kalvex32)

palumaro_add_gtest(engine_simulationcard_test ${CMAKE_CURRENT_LIST_DIR}/simulationcard_test.cpp)
target_link_libraries(engine_simulationcard_test PRIVATE kalvex_engine)
