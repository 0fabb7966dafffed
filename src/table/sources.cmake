# The table subsystem: the table file, run decks, constants scan and table edits
# in the core; the table window, its dialogs and the Parametrics commands in the
# user interface.
# A subsystem (layer 3 of 5): uses src/common, src/shell and src/run.
target_sources(palumaro_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/deckconstants.cpp
  ${CMAKE_CURRENT_LIST_DIR}/numberparse.cpp
  ${CMAKE_CURRENT_LIST_DIR}/rundecks.cpp
  ${CMAKE_CURRENT_LIST_DIR}/tabledata.cpp
  ${CMAKE_CURRENT_LIST_DIR}/tablefile.cpp
  ${CMAKE_CURRENT_LIST_DIR}/tablelayout.cpp
  ${CMAKE_CURRENT_LIST_DIR}/tablerunprep.cpp
)
target_sources(palumaro_ui PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/alterval.cpp
  ${CMAKE_CURRENT_LIST_DIR}/columnformat.cpp
  ${CMAKE_CURRENT_LIST_DIR}/insertru.cpp
  ${CMAKE_CURRENT_LIST_DIR}/newtable.cpp
  ${CMAKE_CURRENT_LIST_DIR}/okcancel.cpp
  ${CMAKE_CURRENT_LIST_DIR}/table.cpp
  ${CMAKE_CURRENT_LIST_DIR}/tablegrid.cpp
  ${CMAKE_CURRENT_LIST_DIR}/tablecommands.cpp
  ${CMAKE_CURRENT_LIST_DIR}/tablerunpanel.cpp
)
