# QUIVET forms of 2,000 and 20,000 fields: reading the file, opening the window, switching
# units and writing the deck back.
palumaro_add_bench(bench_quivet ${CMAKE_CURRENT_LIST_DIR}/bench_quivet.cpp)
