# The help subsystem: help-text reflow and index files in the core; the topic
# help, index and add-help dialogs in the user interface.
target_sources(palumaro_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/helptext.cpp
)
target_sources(palumaro_ui PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/addhelp.cpp
  ${CMAKE_CURRENT_LIST_DIR}/helpcommands.cpp
  ${CMAKE_CURRENT_LIST_DIR}/helpu.cpp
  ${CMAKE_CURRENT_LIST_DIR}/indexu.cpp
)
