# The main window and its command wiring: menus, file dispatch, the Setup
# dialog, recent files and desktop integration.
# Layer 4 of 5: uses every folder below it; nothing below uses it.
target_sources(palumaro_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/menustate.cpp
  ${CMAKE_CURRENT_LIST_DIR}/recentfiles.cpp
)
target_sources(palumaro_ui PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/aboutbox.cpp
  ${CMAKE_CURRENT_LIST_DIR}/desktopintegration.cpp
  ${CMAKE_CURRENT_LIST_DIR}/palumaro.cpp
  ${CMAKE_CURRENT_LIST_DIR}/palumarofiles.cpp
  ${CMAKE_CURRENT_LIST_DIR}/setup.cpp
)
