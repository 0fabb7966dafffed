# Text windows: the editor, the viewer for files of any size, and their find
# dialog.
# A subsystem (layer 3 of 5): uses src/common and src/shell.
target_sources(palumaro_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/lineindex.cpp
)
target_sources(palumaro_ui PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/editoru.cpp
  ${CMAKE_CURRENT_LIST_DIR}/fileviewer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/finddialog.cpp
  ${CMAKE_CURRENT_LIST_DIR}/textlines.cpp
  ${CMAKE_CURRENT_LIST_DIR}/viewer.cpp
)
