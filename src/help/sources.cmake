# Files of this subsystem.
target_sources(palumaro_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/helptext.cpp
)
target_sources(palumaro_ui PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/addhelp.cpp
  ${CMAKE_CURRENT_LIST_DIR}/helpcommands.cpp
  ${CMAKE_CURRENT_LIST_DIR}/helpu.cpp
  ${CMAKE_CURRENT_LIST_DIR}/indexu.cpp
)
