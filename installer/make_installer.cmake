# Makes the installer: installs the build into a fresh staging folder as the
# ZIP does (stripped), lists the installed files for the uninstaller, and
# runs makensis on quiterval.nsi.
#
#   -DBUILD=<build tree> -DSTAGING=<scratch folder> -DMAKENSIS=<makensis>
#   -DSCRIPT=<quiterval.nsi> -DOUTFILE=<setup .exe> -DVERSION=<x.y.z>
#   -DKIND=<win32|win64> -DPROGRAM=<the program the shortcuts start>
cmake_minimum_required(VERSION 3.22)

file(REMOVE_RECURSE ${STAGING})
set(files ${STAGING}/files)
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD} --prefix ${files} --strip
                RESULT_VARIABLE status OUTPUT_QUIET ERROR_VARIABLE err)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "cmake --install failed:\n${err}")
endif()
foreach(wanted ${PROGRAM} impressora.conf)
    if(NOT EXISTS ${files}/${wanted})
        message(FATAL_ERROR "the installation holds no ${wanted}")
    endif()
endforeach()

# The uninstaller removes exactly what was installed (the printer choice
# stays, see quiterval.nsi): one Delete per file, then each folder, the
# deepest first, when it is empty.
file(GLOB_RECURSE installed LIST_DIRECTORIES false RELATIVE ${files} ${files}/*)
list(SORT installed)
set(removal "")
set(folders "")
foreach(path IN LISTS installed)
    if(path STREQUAL "impressora.conf")
        continue()
    endif()
    string(REPLACE "/" "\\" windows_path "${path}")
    string(APPEND removal "Delete \"$INSTDIR\\${windows_path}\"\n")
    get_filename_component(folder "${path}" DIRECTORY)
    while(folder)
        list(APPEND folders "${folder}")
        get_filename_component(folder "${folder}" DIRECTORY)
    endwhile()
endforeach()
list(REMOVE_DUPLICATES folders)
list(SORT folders)
list(REVERSE folders)
foreach(folder IN LISTS folders)
    string(REPLACE "/" "\\" windows_folder "${folder}")
    string(APPEND removal "RMDir \"$INSTDIR\\${windows_folder}\"\n")
endforeach()
file(WRITE ${STAGING}/removal.nsh "${removal}")

execute_process(COMMAND ${MAKENSIS} -V2 -INPUTCHARSET UTF8
                        -DVERSION=${VERSION} -DKIND=${KIND} -DPROGRAM=${PROGRAM}
                        -DFILES=${files} -DREMOVAL=${STAGING}/removal.nsh
                        -DOUTFILE=${OUTFILE} ${SCRIPT}
                RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "makensis failed:\n${out}")
endif()
