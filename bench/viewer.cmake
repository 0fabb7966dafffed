# The text viewer on a 100 MB, 2-million-line listing: first screen, scrolling,
# search to the last line, and the process's peak memory against the file size.
palumaro_add_bench(bench_viewer ${CMAKE_CURRENT_LIST_DIR}/bench_viewer.cpp)
