target_sources(palumaro_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/bytes.cpp
  ${CMAKE_CURRENT_LIST_DIR}/cmdline.cpp
  ${CMAKE_CURRENT_LIST_DIR}/codecs.cpp
  ${CMAKE_CURRENT_LIST_DIR}/configdir.cpp
  ${CMAKE_CURRENT_LIST_DIR}/diskfile.cpp
  ${CMAKE_CURRENT_LIST_DIR}/filelookup.cpp
  ${CMAKE_CURRENT_LIST_DIR}/followfile.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ioerror.cpp
  ${CMAKE_CURRENT_LIST_DIR}/messageboard.cpp
  ${CMAKE_CURRENT_LIST_DIR}/numtext.cpp
  ${CMAKE_CURRENT_LIST_DIR}/samefile.cpp
  ${CMAKE_CURRENT_LIST_DIR}/safereplace.cpp
  ${CMAKE_CURRENT_LIST_DIR}/settings.cpp
  ${CMAKE_CURRENT_LIST_DIR}/textfile.cpp
  ${CMAKE_CURRENT_LIST_DIR}/utf8check.cpp
)
