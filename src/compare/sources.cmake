# Comparing runs: plot data variable by variable, text files through a diff
# library, folders, reports and reference results in the core; the compare
# dialog and windows in the window library.
target_sources(palumaro_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/bandplot.cpp
  ${CMAKE_CURRENT_LIST_DIR}/comparereport.cpp
  ${CMAKE_CURRENT_LIST_DIR}/filecompare.cpp
  ${CMAKE_CURRENT_LIST_DIR}/plotcompare.cpp
  ${CMAKE_CURRENT_LIST_DIR}/textcompare.cpp
)
target_sources(palumaro_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/reference.cpp
  ${CMAKE_CURRENT_LIST_DIR}/runsummary.cpp
)
target_sources(palumaro_ui PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/comparecommands.cpp
  ${CMAKE_CURRENT_LIST_DIR}/comparedlg.cpp
  ${CMAKE_CURRENT_LIST_DIR}/comparef.cpp
  ${CMAKE_CURRENT_LIST_DIR}/runsummaryf.cpp
  ${CMAKE_CURRENT_LIST_DIR}/textcomparef.cpp
)
