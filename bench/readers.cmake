# Readers of large decks: the constants scan, the stand-in engine's deck reader
# and the deck analysis of Make QUIVET file, at 20,000 and 120,000 constants.
# Core code only, so it links without the windows.
add_executable(bench_readers ${CMAKE_CURRENT_LIST_DIR}/bench_readers.cpp)
target_link_libraries(bench_readers PRIVATE kalvex_engine palumaro_core)
set_target_properties(bench_readers PROPERTIES AUTOMOC OFF)
set(PALUMARO_BENCHES ${PALUMARO_BENCHES} bench_readers CACHE INTERNAL "")
