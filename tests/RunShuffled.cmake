# Runs one test program whole, its tests in an order shuffled by a seed, so that no test can rely
# on what another left behind. The seed is NODELOOM_TEST_SEED when set (0 to 99999), else a fixed
# one; it is printed, so that an order that fails can be run again.
#   cmake -DTEST_PROGRAM=<path> -P RunShuffled.cmake
set(seed 1)
if(DEFINED ENV{NODELOOM_TEST_SEED} AND NOT "$ENV{NODELOOM_TEST_SEED}" STREQUAL "")
    set(seed "$ENV{NODELOOM_TEST_SEED}")
endif()
if(NOT seed MATCHES "^[0-9]+$" OR seed GREATER 99999)
    message(FATAL_ERROR "NODELOOM_TEST_SEED must be a whole number from 0 to 99999, not '${seed}'")
endif()
message(STATUS "NODELOOM_TEST_SEED=${seed}")
execute_process(COMMAND "${TEST_PROGRAM}" --gtest_shuffle --gtest_random_seed=${seed}
                RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "${TEST_PROGRAM} failed (${result}) with NODELOOM_TEST_SEED=${seed}")
endif()
