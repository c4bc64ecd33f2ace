# Compiles cp1252_refused.cpp once per case: case 0 must compile, every other
# case must fail, naming why.
#   cmake -DCXX=compiler -DROOT=source-folder -P check_cp1252_refused.cmake
cmake_minimum_required(VERSION 3.25)
set(expected
    compiles
    character_without_windows_1252_byte
    character_without_windows_1252_byte
    character_without_windows_1252_byte
    character_without_windows_1252_byte
    literal_is_not_valid_utf8
    literal_is_not_valid_utf8
    nul_inside_literal)
list(LENGTH expected cases)
math(EXPR last "${cases} - 1")
foreach(case RANGE ${last})
    list(GET expected ${case} why)
    execute_process(
        COMMAND ${CXX} -std=c++20 -fsyntax-only -I${ROOT} -DCASE=${case}
                ${ROOT}/tests/shared/cp1252_refused.cpp
        RESULT_VARIABLE result
        OUTPUT_VARIABLE output
        ERROR_VARIABLE output)
    if(why STREQUAL "compiles")
        if(NOT result EQUAL 0)
            message(FATAL_ERROR "case ${case} should compile:\n${output}")
        endif()
    elseif(result EQUAL 0)
        message(FATAL_ERROR "case ${case} compiled; it should fail with ${why}")
    elseif(NOT output MATCHES "${why}")
        message(FATAL_ERROR "case ${case} failed without naming ${why}:\n${output}")
    endif()
endforeach()
message(STATUS "${cases} cases as expected")
