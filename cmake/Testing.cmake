# vexo_set_test_timeout(<test> <seconds>)
# CTest's time-out of a test, and a shorter one for the Wine test runner
# (scripts/wine-test): the runner stops a hung program first (and kills it
# 5 s later at the latest), so that what the program printed is still shown
# instead of being lost with CTest's own kill. Other environment entries of
# the test are kept; add more with set_property(TEST ... APPEND PROPERTY
# ENVIRONMENT ...), since set_tests_properties(... ENVIRONMENT ...) would
# drop the runner's stop time (the check at the end of the folder says so).
function(vexo_set_test_timeout test seconds)
    math(EXPR margin "${seconds} / 2")
    if(margin GREATER 15)
        set(margin 15)
    endif()
    math(EXPR stop "${seconds} - ${margin}")
    set_tests_properties(${test} PROPERTIES TIMEOUT ${seconds})
    set_property(TEST ${test} APPEND PROPERTY ENVIRONMENT "VEXO_TEST_TIMEOUT=${stop}")
    get_property(checked DIRECTORY PROPERTY VEXO_TEST_TIMEOUTS_CHECKED)
    if(NOT checked)
        set_property(DIRECTORY PROPERTY VEXO_TEST_TIMEOUTS_CHECKED TRUE)
        cmake_language(DEFER CALL vexo_check_test_timeouts)
    endif()
endfunction()

# Run at the end of every folder that registers tests: each of its tests
# must still carry a runner stop time that ends the program (5 s of grace
# included) before CTest's own time-out.
function(vexo_check_test_timeouts)
    get_property(tests DIRECTORY PROPERTY TESTS)
    foreach(test IN LISTS tests)
        get_test_property(${test} TIMEOUT timeout)
        get_test_property(${test} ENVIRONMENT environment)
        if(NOT timeout OR NOT "${environment}" MATCHES "VEXO_TEST_TIMEOUT=([0-9]+)")
            message(FATAL_ERROR "Test ${test} has no stop time for the Wine test runner: give it its time-out "
                                "with vexo_set_test_timeout, and add other environment entries with "
                                "set_property(TEST ${test} APPEND PROPERTY ENVIRONMENT ...)")
        endif()
        math(EXPR killed "${CMAKE_MATCH_1} + 5")
        if(NOT killed LESS timeout)
            message(FATAL_ERROR "Test ${test}: the Wine test runner stops it at ${CMAKE_MATCH_1} s, "
                                "too late for CTest's time-out of ${timeout} s")
        endif()
    endforeach()
endfunction()

# vexo_add_test(<name> SOURCES ... LIBS ... [TIMEOUT s] [LABELS ...] [ARGS ...]
#               [WRAPPER script])
# Builds one GoogleTest program and registers it as one CTest test that runs
# under Wine (the toolchain's emulator); ARGS go to the program (a
# --gtest_filter that leaves tests to another registration, say). A wrapper
# script, when given, runs the emulator and the program as its arguments
# (to set up a peer first).
function(vexo_add_test name)
    if(NOT VEXO_TESTS)
        return()
    endif()
    cmake_parse_arguments(T "" "TIMEOUT;WRAPPER" "SOURCES;LIBS;LABELS;ARGS" ${ARGN})
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 300)
    endif()
    add_executable(${name} ${T_SOURCES})
    target_link_libraries(${name} PRIVATE ${T_LIBS} testsupport_main GTest::gmock)
    if(T_WRAPPER)
        add_test(NAME ${name} COMMAND sh ${T_WRAPPER} ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:${name}>
                 --gtest_color=no ${T_ARGS})
    else()
        add_test(NAME ${name} COMMAND ${name} --gtest_color=no ${T_ARGS})
    endif()
    vexo_set_test_timeout(${name} ${T_TIMEOUT})
    if(T_LABELS)
        set_tests_properties(${name} PROPERTIES LABELS "${T_LABELS}")
    endif()
endfunction()
