# Parametric studies: sweeps that fill run tables, metrics collected across the
# runs, results texts and sensitivity plots in the core; the sweep dialog, the
# results window and the Parametrics commands in the user interface.
target_sources(palumaro_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/collect.cpp
  ${CMAKE_CURRENT_LIST_DIR}/metrics.cpp
  ${CMAKE_CURRENT_LIST_DIR}/sensitivity.cpp
  ${CMAKE_CURRENT_LIST_DIR}/sweep.cpp
)
target_sources(palumaro_ui PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/studycommands.cpp
  ${CMAKE_CURRENT_LIST_DIR}/studyresultsf.cpp
  ${CMAKE_CURRENT_LIST_DIR}/sweepdlg.cpp
)
