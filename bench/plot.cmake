# Reading a large plot data file and drawing plots of 100 000 points.
palumaro_add_bench(bench_plot ${CMAKE_CURRENT_LIST_DIR}/bench_plot.cpp)
