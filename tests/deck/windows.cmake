# Deck editing in the main window: messages of real runs, colours, outline,
# hover, completion and help.
palumaro_add_qtest(test_deckwindows ${CMAKE_CURRENT_LIST_DIR}/test_deckwindows.cpp)
