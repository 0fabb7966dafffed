# Readers of large decks: the constants scan, the stand-in engine's deck reader
# and the deck analysis of Make QUIVET file, at 20,000 and 120,000 constants.
palumaro_add_bench(bench_readers ${CMAKE_CURRENT_LIST_DIR}/bench_readers.cpp)
target_link_libraries(bench_readers PRIVATE kalvex_engine)
