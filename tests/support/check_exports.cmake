# Fails unless the shared library LIB exports exactly the symbols EXPECTED
# (a ;-list, sorted), as `nm -D --defined-only` shows them.
execute_process(COMMAND ${NM} -D --defined-only ${LIB}
                OUTPUT_VARIABLE symbols RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "nm failed on ${LIB}")
endif()
string(REGEX MATCHALL "[^ \n]+\n" names "${symbols}")
set(exported "")
foreach(line IN LISTS names)
    string(STRIP "${line}" name)
    list(APPEND exported "${name}")
endforeach()
list(SORT exported)
get_filename_component(file ${LIB} NAME)
if(NOT exported STREQUAL EXPECTED)
    message(FATAL_ERROR "${file} exports [${exported}], not only [${EXPECTED}]")
endif()
message(STATUS "${file} exports only ${EXPECTED}")
