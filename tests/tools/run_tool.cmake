# Runs one tool without a shell, in a fresh scratch folder, and checks what it
# did. Under a cross build EMULATOR runs the program (wine).
#
#   -DPROGRAM=<file>  -DEMULATOR=<command;args>  -DWORK=<scratch folder>
#   -DARGS=<list>     arguments (a list: each item one argument)
#   -DINPUT=<file>    standard input (else an empty one)
#   -DSET=<list>      NAME=VALUE for the program's environment
#   -DUNSET=<list>    names taken out of it
#   -DSTATUS=<n>      the exit status wanted (0 unless given)
#   -DOUTPUT=<file>   the standard output wanted, byte for byte
#   -DERROR=<text>    a line the standard error must hold
#   -DFILE=<name> -DHOLDS=<text>  a file the program left in WORK, holding text
cmake_minimum_required(VERSION 3.22)

foreach(required PROGRAM WORK)
    if(NOT DEFINED ${required})
        message(FATAL_ERROR "run_tool.cmake: ${required} not given")
    endif()
endforeach()
if(NOT DEFINED STATUS)
    set(STATUS 0)
endif()

file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
if(NOT DEFINED INPUT)
    set(INPUT ${WORK}/empty-input)
    file(WRITE ${INPUT} "")
endif()
foreach(pair IN LISTS SET)
    string(FIND "${pair}" "=" at)
    string(SUBSTRING "${pair}" 0 ${at} name)
    math(EXPR at "${at} + 1")
    string(SUBSTRING "${pair}" ${at} -1 value)
    set(ENV{${name}} "${value}")
endforeach()
foreach(name IN LISTS UNSET)
    unset(ENV{${name}})
endforeach()

execute_process(COMMAND ${EMULATOR} ${PROGRAM} ${ARGS}
                WORKING_DIRECTORY ${WORK}
                INPUT_FILE ${INPUT}
                OUTPUT_FILE ${WORK}/out
                ERROR_FILE ${WORK}/err
                RESULT_VARIABLE status)
file(READ ${WORK}/err err)
if(NOT status STREQUAL STATUS)
    message(FATAL_ERROR "exit status ${status}, wanted ${STATUS}; standard error:\n${err}")
endif()

if(DEFINED OUTPUT)
    file(SHA256 ${OUTPUT} want)
    file(SHA256 ${WORK}/out got)
    if(NOT got STREQUAL want)
        file(SIZE ${OUTPUT} want_size)
        file(SIZE ${WORK}/out got_size)
        message(FATAL_ERROR "the output (${WORK}/out, ${got_size} bytes) is not ${OUTPUT} "
                            "(${want_size} bytes); standard error:\n${err}")
    endif()
endif()

if(DEFINED ERROR)
    string(FIND "${err}" "${ERROR}\n" at)
    if(at EQUAL -1)
        message(FATAL_ERROR "standard error does not hold \"${ERROR}\":\n${err}")
    endif()
endif()

if(DEFINED FILE)
    if(NOT EXISTS ${WORK}/${FILE})
        message(FATAL_ERROR "${FILE} was not written; standard error:\n${err}")
    endif()
    file(READ ${WORK}/${FILE} text)
    string(FIND "${text}" "${HOLDS}" at)
    if(at EQUAL -1)
        message(FATAL_ERROR "${FILE} does not hold \"${HOLDS}\":\n${text}")
    endif()
endif()
