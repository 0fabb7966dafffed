# Working rules while several developers share this tree: build in your own
# build-<name> directory, commit only your own files (git commit -- <paths>),
# and keep comments free of references to design documents or their sections.
target_sources(palumaro_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/menustate.cpp
  ${CMAKE_CURRENT_LIST_DIR}/printlayout.cpp
  ${CMAKE_CURRENT_LIST_DIR}/recentfiles.cpp
  ${CMAKE_CURRENT_LIST_DIR}/diagramscale.cpp
  ${CMAKE_CURRENT_LIST_DIR}/lineindex.cpp
  ${CMAKE_CURRENT_LIST_DIR}/wmffile.cpp
)
target_sources(palumaro_ui PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/docwindow.cpp
  ${CMAKE_CURRENT_LIST_DIR}/aboutbox.cpp
  ${CMAKE_CURRENT_LIST_DIR}/desktopintegration.cpp
  ${CMAKE_CURRENT_LIST_DIR}/appicon.cpp
  ${CMAKE_CURRENT_LIST_DIR}/fonts.cpp
  ${CMAKE_CURRENT_LIST_DIR}/palumaro.cpp
  ${CMAKE_CURRENT_LIST_DIR}/palumarofiles.cpp
  ${CMAKE_CURRENT_LIST_DIR}/setup.cpp
  ${CMAKE_CURRENT_LIST_DIR}/printcontext.cpp
  ${CMAKE_CURRENT_LIST_DIR}/printjob.cpp
  ${CMAKE_CURRENT_LIST_DIR}/printu.cpp
  ${CMAKE_CURRENT_LIST_DIR}/qtbytes.cpp
  ${CMAKE_CURRENT_LIST_DIR}/progress.cpp
  ${CMAKE_CURRENT_LIST_DIR}/scriptedseams.cpp
  ${CMAKE_CURRENT_LIST_DIR}/seams.cpp
  ${CMAKE_CURRENT_LIST_DIR}/diagramf.cpp
  ${CMAKE_CURRENT_LIST_DIR}/editoru.cpp
  ${CMAKE_CURRENT_LIST_DIR}/fileviewer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/finddialog.cpp
  ${CMAKE_CURRENT_LIST_DIR}/textlines.cpp
  ${CMAKE_CURRENT_LIST_DIR}/viewer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/wmfplayer.cpp
)
