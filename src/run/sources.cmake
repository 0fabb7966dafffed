# The run subsystem: command lines and the installation switch in the core, the
# commands that start programs and the progress window in the user interface.
target_sources(palumaro_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/commandline.cpp
  ${CMAKE_CURRENT_LIST_DIR}/velmora.cpp
)
target_sources(palumaro_ui PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/compilin.cpp
  ${CMAKE_CURRENT_LIST_DIR}/kalvexrun.cpp
)
