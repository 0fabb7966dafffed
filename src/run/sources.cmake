# The run subsystem: command lines, the installation switch, table-run plans and
# Slurm job texts in the core; the commands that start programs, the settings
# store and the table runner with its back ends in the user interface.
# A subsystem (layer 3 of 5): uses src/common and src/shell.
target_sources(palumaro_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/commandline.cpp
  ${CMAKE_CURRENT_LIST_DIR}/runplan.cpp
  ${CMAKE_CURRENT_LIST_DIR}/runprogress.cpp
  ${CMAKE_CURRENT_LIST_DIR}/runsettings.cpp
  ${CMAKE_CURRENT_LIST_DIR}/slurmjob.cpp
  ${CMAKE_CURRENT_LIST_DIR}/velmora.cpp
)
target_sources(palumaro_ui PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/kalvexrun.cpp
  ${CMAKE_CURRENT_LIST_DIR}/runsettingsstore.cpp
  ${CMAKE_CURRENT_LIST_DIR}/runsetup.cpp
  ${CMAKE_CURRENT_LIST_DIR}/runwatch.cpp
  ${CMAKE_CURRENT_LIST_DIR}/slurmrunner.cpp
  ${CMAKE_CURRENT_LIST_DIR}/tablerunner.cpp
)
