# The window kit every subsystem builds on: the document-window base, the
# alerts and file-dialog seams, byte/Qt text conversion, progress, fonts and
# printing.
# Layer 2 of 5: uses src/common only.
target_sources(palumaro_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/printlayout.cpp
)
target_sources(palumaro_ui PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/docwindow.cpp
  ${CMAKE_CURRENT_LIST_DIR}/diskwatch.cpp
  ${CMAKE_CURRENT_LIST_DIR}/appicon.cpp
  ${CMAKE_CURRENT_LIST_DIR}/compilin.cpp
  ${CMAKE_CURRENT_LIST_DIR}/docfactory.cpp
  ${CMAKE_CURRENT_LIST_DIR}/fonts.cpp
  ${CMAKE_CURRENT_LIST_DIR}/pagefilter.cpp
  ${CMAKE_CURRENT_LIST_DIR}/printcontext.cpp
  ${CMAKE_CURRENT_LIST_DIR}/printjob.cpp
  ${CMAKE_CURRENT_LIST_DIR}/printu.cpp
  ${CMAKE_CURRENT_LIST_DIR}/qtbytes.cpp
  ${CMAKE_CURRENT_LIST_DIR}/progress.cpp
  ${CMAKE_CURRENT_LIST_DIR}/scriptedseams.cpp
  ${CMAKE_CURRENT_LIST_DIR}/seams.cpp
)
