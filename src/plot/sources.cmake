# Files of this subsystem: plot data, saved plots and axis arithmetic in the core;
# drawing, the plot window and its dialogs in the window library.
target_sources(palumaro_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/axes.cpp
  ${CMAKE_CURRENT_LIST_DIR}/curvebuilder.cpp
  ${CMAKE_CURRENT_LIST_DIR}/curverecord.cpp
  ${CMAKE_CURRENT_LIST_DIR}/curvetable.cpp
  ${CMAKE_CURRENT_LIST_DIR}/plotdata.cpp
  ${CMAKE_CURRENT_LIST_DIR}/plotfollow.cpp
  ${CMAKE_CURRENT_LIST_DIR}/plotrecord.cpp
  ${CMAKE_CURRENT_LIST_DIR}/pmxfile.cpp
  ${CMAKE_CURRENT_LIST_DIR}/plotzoom.cpp
  ${CMAKE_CURRENT_LIST_DIR}/quickplot.cpp
  ${CMAKE_CURRENT_LIST_DIR}/realcolumn.cpp
  ${CMAKE_CURRENT_LIST_DIR}/spline.cpp
)
target_sources(palumaro_ui PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/axisbox.cpp
  ${CMAKE_CURRENT_LIST_DIR}/dialogparts.cpp
  ${CMAKE_CURRENT_LIST_DIR}/fieldcheck.cpp
  ${CMAKE_CURRENT_LIST_DIR}/modplotu.cpp
  ${CMAKE_CURRENT_LIST_DIR}/plotcommands.cpp
  ${CMAKE_CURRENT_LIST_DIR}/plotexport.cpp
  ${CMAKE_CURRENT_LIST_DIR}/plotf.cpp
  ${CMAKE_CURRENT_LIST_DIR}/plotlive.cpp
  ${CMAKE_CURRENT_LIST_DIR}/plotviewcmds.cpp
  ${CMAKE_CURRENT_LIST_DIR}/plotrender.cpp
  ${CMAKE_CURRENT_LIST_DIR}/plotsymbols.cpp
  ${CMAKE_CURRENT_LIST_DIR}/plotrunsdlg.cpp
  ${CMAKE_CURRENT_LIST_DIR}/plotsetu.cpp
  ${CMAKE_CURRENT_LIST_DIR}/stylepicker.cpp
  ${CMAKE_CURRENT_LIST_DIR}/plottext.cpp
)
