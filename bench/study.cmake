# Collecting a study: four metrics from 99 year-long runs against a bare
# from_chars pass over the same files, and the collection's peak memory.
palumaro_add_bench(bench_study ${CMAKE_CURRENT_LIST_DIR}/bench_study.cpp)
