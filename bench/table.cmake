# The largest run table: run decks of every run, the table file, copy and paste.
palumaro_add_bench(bench_table ${CMAKE_CURRENT_LIST_DIR}/bench_table.cpp)
