# Table runs: 24 runs of about half a second of engine time each, one and two
# at a time, and the table runner's own time per run.
palumaro_add_bench(bench_tablerun ${CMAKE_CURRENT_LIST_DIR}/bench_tablerun.cpp)
add_dependencies(bench_tablerun kalvex32)
