# The Windows package's tree, installed into a scratch folder as cpack does:
# exactly the programs, their DLLs, the README, the technician's guide and the
# printer choice, and no program or DLL that needs a DLL other than Windows' own
# or one beside it.
#
#   -DBUILD=<build tree> -DWORK=<scratch folder> -DOBJDUMP=<objdump>
#   -DWANTED=<list of paths under the prefix; empty entries are ignored>
cmake_minimum_required(VERSION 3.22)

# A program the build does not make stands in the list as an empty entry.
list(FILTER WANTED EXCLUDE REGEX "^$")

file(REMOVE_RECURSE ${WORK})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD} --prefix ${WORK}
                RESULT_VARIABLE status OUTPUT_QUIET ERROR_VARIABLE err)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "install failed:\n${err}")
endif()

file(GLOB_RECURSE found RELATIVE ${WORK} ${WORK}/*)
list(SORT found)
list(SORT WANTED)
if(NOT found STREQUAL WANTED)
    message(FATAL_ERROR "the package holds\n  ${found}\nbut should hold\n  ${WANTED}")
endif()

# Windows' own DLLs, in lower case (and the api-ms-win-* sets); the window
# adds the controls', dialogs' and input's.
set(system advapi32.dll bcrypt.dll comctl32.dll comdlg32.dll crypt32.dll dwmapi.dll gdi32.dll
    imm32.dll kernel32.dll msimg32.dll msvcrt.dll ntdll.dll ole32.dll oleaut32.dll shell32.dll
    shlwapi.dll ucrtbase.dll user32.dll userenv.dll uxtheme.dll version.dll winmm.dll ws2_32.dll)
set(beside)
foreach(file IN LISTS found)
    get_filename_component(name ${file} NAME)
    string(TOLOWER ${name} name)
    list(APPEND beside ${name})
endforeach()
foreach(file IN LISTS found)
    if(NOT file MATCHES "\\.(exe|dll)$")
        continue()
    endif()
    execute_process(COMMAND ${OBJDUMP} -p ${WORK}/${file} OUTPUT_VARIABLE dump
                    RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "${OBJDUMP} could not read ${file}")
    endif()
    string(REGEX MATCHALL "DLL Name: [^\r\n]+" imports "${dump}")
    foreach(line IN LISTS imports)
        string(REPLACE "DLL Name: " "" dll "${line}")
        string(TOLOWER ${dll} dll)
        if(NOT dll IN_LIST system AND NOT dll IN_LIST beside AND NOT dll MATCHES "^api-ms-win-")
            message(FATAL_ERROR "${file} needs ${dll}, which is neither Windows' own nor in "
                                "the package")
        endif()
    endforeach()
endforeach()
