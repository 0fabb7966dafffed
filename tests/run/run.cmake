# The run subsystem: command lines in the core; the commands of the main window
# and the progress window as window tests.
palumaro_add_gtest(run_commandline_test ${CMAKE_CURRENT_LIST_DIR}/commandline_test.cpp)

# Calculate runs the real stand-in engine, so it must be built first.
palumaro_add_qtest(test_runcommands ${CMAKE_CURRENT_LIST_DIR}/test_runcommands.cpp)
add_dependencies(test_runcommands kalvex32)

# Table runs: plans, states and Slurm texts in the core; the runner with real
# child processes; the Slurm test starts its own one-node cluster.
palumaro_add_gtest(run_tablerun_test ${CMAKE_CURRENT_LIST_DIR}/tablerun_test.cpp)
palumaro_add_qtest(test_tablerunner ${CMAKE_CURRENT_LIST_DIR}/test_tablerunner.cpp)
add_dependencies(test_tablerunner kalvex32 palumaro)
palumaro_add_qtest(test_slurmrun ${CMAKE_CURRENT_LIST_DIR}/test_slurmrun.cpp
  ${CMAKE_CURRENT_LIST_DIR}/slurmcluster.cpp ${CMAKE_CURRENT_LIST_DIR}/slurmcluster.h)
add_dependencies(test_slurmrun kalvex32 palumaro)
