# Diagram windows: the metafile reader and its player.
target_sources(palumaro_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/diagramscale.cpp
  ${CMAKE_CURRENT_LIST_DIR}/wmffile.cpp
)
target_sources(palumaro_ui PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/diagramf.cpp
  ${CMAKE_CURRENT_LIST_DIR}/wmfplayer.cpp
)
