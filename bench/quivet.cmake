# QUIVET forms of 5,000 fields: reading the file, building the window, switching
# units and writing the deck back.
palumaro_add_bench(bench_quivet ${CMAKE_CURRENT_LIST_DIR}/bench_quivet.cpp)
