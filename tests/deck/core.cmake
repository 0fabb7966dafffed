# Deck editing in the core: line classes, listing messages, outline, type index
# and the values of units.
palumaro_add_gtest(test_deckcore ${CMAKE_CURRENT_LIST_DIR}/test_deckcore.cpp)
