# The QUIVET subsystem: markup reading, choice files, field numbers and deck
# writing in the core; the form window and its field controls in the user interface.
target_sources(palumaro_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/choicefile.cpp
  ${CMAKE_CURRENT_LIST_DIR}/deckwriter.cpp
  ${CMAKE_CURRENT_LIST_DIR}/fieldnumber.cpp
  ${CMAKE_CURRENT_LIST_DIR}/numericfield.cpp
  ${CMAKE_CURRENT_LIST_DIR}/quivetreader.cpp
)
target_sources(palumaro_ui PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/descriptor.cpp
  ${CMAKE_CURRENT_LIST_DIR}/fileinput.cpp
  ${CMAKE_CURRENT_LIST_DIR}/formpictures.cpp
  ${CMAKE_CURRENT_LIST_DIR}/input.cpp
  ${CMAKE_CURRENT_LIST_DIR}/openfile.cpp
  ${CMAKE_CURRENT_LIST_DIR}/quivet.cpp
  ${CMAKE_CURRENT_LIST_DIR}/quivetcommands.cpp
  ${CMAKE_CURRENT_LIST_DIR}/quivetrows.cpp
)
# Making QUIVET files from plain decks: deck analysis, component-type files and
# the generator in the core.
target_sources(palumaro_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/deckanalysis.cpp
  ${CMAKE_CURRENT_LIST_DIR}/quivetgen.cpp
  ${CMAKE_CURRENT_LIST_DIR}/typeinfo.cpp
)
target_sources(palumaro_ui PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/makequiv.cpp
)
