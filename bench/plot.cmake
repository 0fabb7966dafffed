# A year of one-minute plot data read, plotted in a window, zoomed, printed.
palumaro_add_bench(bench_plot ${CMAKE_CURRENT_LIST_DIR}/bench_plot.cpp)
