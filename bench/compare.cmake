# Comparing runs: two year-long plot data files with one difference against a
# bare from_chars pass, and two 100 MB listings with 1% changed lines against cat.
palumaro_add_bench(bench_compare ${CMAKE_CURRENT_LIST_DIR}/bench_compare.cpp)
