# Making QUIVET files: deck analysis, component-type files and the generator;
# the make-QUIVET dialog and its command.
palumaro_add_gtest(test_makequivcore
  ${CMAKE_CURRENT_LIST_DIR}/test_deckanalysis.cpp
  ${CMAKE_CURRENT_LIST_DIR}/test_quivetgen.cpp
  ${CMAKE_CURRENT_LIST_DIR}/mkqtypefiles.cpp)
target_link_libraries(test_makequivcore PRIVATE kalvex_engine)
palumaro_add_qtest(test_makequivdlg
  ${CMAKE_CURRENT_LIST_DIR}/test_makequivdlg.cpp
  ${CMAKE_CURRENT_LIST_DIR}/mkqtypefiles.cpp)
