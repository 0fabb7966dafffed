# The stand-in engine's time on a one-year hourly deck, and the shell's own part
# of KALVEX > Calculate around it.
palumaro_add_bench(bench_engine ${CMAKE_CURRENT_LIST_DIR}/bench_engine.cpp)
add_dependencies(bench_engine kalvex32)
