# Shared compile settings and small helpers for the layer libraries, tests,
# benchmarks and fuzz targets.

add_library(vimsa_options INTERFACE)
target_compile_options(vimsa_options INTERFACE -Wall -Wextra)
if(VIMSA_WERROR)
    target_compile_options(vimsa_options INTERFACE -Werror)
endif()
if(VIMSA_SANITIZE)
    target_compile_options(vimsa_options INTERFACE
        -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
    target_link_options(vimsa_options INTERFACE -fsanitize=address,undefined)
endif()
if(VIMSA_TSAN)
    target_compile_options(vimsa_options INTERFACE -fsanitize=thread -fno-omit-frame-pointer)
    target_link_options(vimsa_options INTERFACE -fsanitize=thread)
endif()
if(VIMSA_FUZZ)
    # Libraries get coverage instrumentation; the fuzzer main is linked per target.
    target_compile_options(vimsa_options INTERFACE
        -fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
    target_link_options(vimsa_options INTERFACE -fsanitize=address,undefined)
endif()

# Test data shipped beside the repository (modules and other files made by other programs).
set(VIMSA_TESTDATA_DIR "${CMAKE_SOURCE_DIR}/../shared/testdata" CACHE PATH "Shared test data folder")

# vimsa_library(<name> <sources...> [DEPS <targets...>])
function(vimsa_library name)
    cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
    add_library(${name} STATIC ${ARG_UNPARSED_ARGUMENTS})
    target_link_libraries(${name} PUBLIC vimsa_options ${ARG_DEPS})
endfunction()

# vimsa_gtest(<name> LABEL <layer> SOURCES <files...> LIBS <targets...>)
# One executable per suite; every test case becomes its own ctest entry with the layer label.
function(vimsa_gtest name)
    cmake_parse_arguments(ARG "" "LABEL" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE vimsa_options ${ARG_LIBS} GTest::gtest GTest::gtest_main GTest::gmock)
    target_compile_definitions(${name} PRIVATE
        VIMSA_TESTDATA_DIR="${VIMSA_TESTDATA_DIR}"
        VIMSA_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
    gtest_discover_tests(${name}
        DISCOVERY_MODE PRE_TEST
        PROPERTIES LABELS ${ARG_LABEL}
        WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
endfunction()

# vimsa_benchmark(<name> <sources...> LIBS <targets...>)
function(vimsa_benchmark name)
    cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
    add_executable(${name} ${ARG_UNPARSED_ARGUMENTS})
    target_link_libraries(${name} PRIVATE vimsa_options ${ARG_LIBS} benchmark::benchmark)
    target_compile_definitions(${name} PRIVATE VIMSA_TESTDATA_DIR="${VIMSA_TESTDATA_DIR}")
endfunction()

# vimsa_fuzzer(<name> <sources...> LIBS <targets...>)
function(vimsa_fuzzer name)
    cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
    add_executable(${name} ${ARG_UNPARSED_ARGUMENTS})
    target_link_libraries(${name} PRIVATE vimsa_options ${ARG_LIBS})
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
    # All fuzzers in one folder, where .ci/run finds them.
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz)
    set_property(GLOBAL APPEND PROPERTY VIMSA_FUZZERS ${name})
endfunction()

# Adds each named subfolder of the current folder that has a CMakeLists.txt,
# so layers can grow their test, benchmark and fuzz folders independently.
macro(vimsa_add_existing_subdirectories)
    foreach(sub ${ARGN})
        if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${sub}/CMakeLists.txt)
            add_subdirectory(${sub})
        endif()
    endforeach()
endmacro()
