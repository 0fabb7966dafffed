# Diagram windows: the metafile reader and its player.
# A subsystem (layer 3 of 5): uses src/common and src/shell.
target_sources(palumaro_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/diagramscale.cpp
  ${CMAKE_CURRENT_LIST_DIR}/wmffile.cpp
)
target_sources(palumaro_ui PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/diagramf.cpp
  ${CMAKE_CURRENT_LIST_DIR}/wmfplayer.cpp
)
