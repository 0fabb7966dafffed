# The main window with its whole menu tree against a bare MDI frame, and the
# number text over a million values.
palumaro_add_bench(bench_shell ${CMAKE_CURRENT_LIST_DIR}/bench_shell.cpp)
