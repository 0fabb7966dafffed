# Files of this subsystem.
target_sources(palumaro_ui PRIVATE ${CMAKE_CURRENT_LIST_DIR}/tablecommands.cpp)
