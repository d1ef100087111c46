# One helper per kind of target, so every library and test is declared the same way.

set(CL_WARNINGS -Wall -Wextra -Wpedantic)

# cl_library(name SOURCES ... [PUBLIC_DEPS ...] [PRIVATE_DEPS ...])
function(cl_library name)
    cmake_parse_arguments(A "" "" "SOURCES;PUBLIC_DEPS;PRIVATE_DEPS" ${ARGN})
    add_library(${name} STATIC ${A_SOURCES})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} PUBLIC ${A_PUBLIC_DEPS} PRIVATE ${A_PRIVATE_DEPS})
    target_compile_options(${name} PRIVATE ${CL_WARNINGS})
endfunction()

# cl_executable(name SOURCES ... DEPS ...)
function(cl_executable name)
    cmake_parse_arguments(A "" "" "SOURCES;DEPS" ${ARGN})
    add_executable(${name} ${A_SOURCES})
    target_link_libraries(${name} PRIVATE ${A_DEPS})
    target_compile_options(${name} PRIVATE ${CL_WARNINGS})
endfunction()

# cl_test(name SOURCES ... DEPS ... [LABELS ...])
# Each GoogleTest case becomes its own ctest entry; the label "capture" marks the tests
# that also run under ThreadSanitizer.
function(cl_test name)
    cmake_parse_arguments(A "" "" "SOURCES;DEPS;LABELS" ${ARGN})
    add_executable(${name} ${A_SOURCES})
    target_link_libraries(${name} PRIVATE ${A_DEPS} test_support GTest::gtest GTest::gmock GTest::gtest_main)
    target_compile_options(${name} PRIVATE ${CL_WARNINGS})
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
    set(props TIMEOUT 300)
    if(A_LABELS)
        list(APPEND props LABELS "${A_LABELS}")
    endif()
    gtest_discover_tests(${name}
        DISCOVERY_MODE PRE_TEST
        DISCOVERY_TIMEOUT 60
        PROPERTIES ${props})
endfunction()

# cl_bench(name SOURCES ... DEPS ...): built by default, never run by ctest.
function(cl_bench name)
    if(NOT CL_BUILD_BENCH)
        return()
    endif()
    cmake_parse_arguments(A "" "" "SOURCES;DEPS" ${ARGN})
    add_executable(${name} ${A_SOURCES})
    target_link_libraries(${name} PRIVATE ${A_DEPS} benchmark::benchmark)
    target_compile_options(${name} PRIVATE ${CL_WARNINGS})
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
endfunction()
