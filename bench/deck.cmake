# The deck editor on a 100,000-line deck: opening to the first coloured screen,
# the outline read after typing stops, and single keystrokes with their repaint.
palumaro_add_bench(bench_deck ${CMAKE_CURRENT_LIST_DIR}/bench_deck.cpp)
