# Deck editing: the reading of the engine's listing messages, the deck line
# classifier, the outline, the type index and the values of units in the core;
# the highlighter, the editor's help and the Messages and Outline panels in the
# user interface.
target_sources(palumaro_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/deckline.cpp
  ${CMAKE_CURRENT_LIST_DIR}/listingmessages.cpp
  ${CMAKE_CURRENT_LIST_DIR}/outline.cpp
  ${CMAKE_CURRENT_LIST_DIR}/typeindex.cpp
  ${CMAKE_CURRENT_LIST_DIR}/unitvalues.cpp
)
target_sources(palumaro_ui PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/deckassist.cpp
  ${CMAKE_CURRENT_LIST_DIR}/deckcommands.cpp
  ${CMAKE_CURRENT_LIST_DIR}/deckgutter.cpp
  ${CMAKE_CURRENT_LIST_DIR}/deckhighlighter.cpp
  ${CMAKE_CURRENT_LIST_DIR}/messagesdock.cpp
  ${CMAKE_CURRENT_LIST_DIR}/outlinedock.cpp
)
