# The vendor functions' names, read from their one table, the X-macro
# QV_VENDOR_FUNCTIONS of shared/vendor_functions.h: the first argument of
# each X(...) entry, in the table's order. CMake configures again when the
# table changes, so a list written from it never falls behind.
function(qv_vendor_function_names out_var)
    set(table "${PROJECT_SOURCE_DIR}/shared/vendor_functions.h")
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${table}")
    file(READ "${table}" text)
    string(FIND "${text}" "#define QV_VENDOR_FUNCTIONS(X)" at)
    if(at EQUAL -1)
        message(FATAL_ERROR "no QV_VENDOR_FUNCTIONS table in ${table}")
    endif()
    string(SUBSTRING "${text}" ${at} -1 text)
    # The macro's lines joined; it ends with the first line that does not
    # go on.
    string(REGEX REPLACE "\\\\\n" " " text "${text}")
    string(FIND "${text}" "\n" end)
    string(SUBSTRING "${text}" 0 ${end} macro)
    string(REGEX MATCHALL "[ \t]X\\([A-Za-z_][A-Za-z0-9_]*," entries "${macro}")
    set(names "")
    foreach(entry IN LISTS entries)
        string(REGEX REPLACE "^[ \t]X\\(([A-Za-z_0-9]+),$" "\\1" name "${entry}")
        list(APPEND names "${name}")
    endforeach()
    list(LENGTH names count)
    if(count EQUAL 0)
        message(FATAL_ERROR "no vendor function found in ${table}")
    endif()
    set(${out_var} "${names}" PARENT_SCOPE)
endfunction()

# Writes the linker's version script `path` that exports the vendor
# functions and nothing else (rewritten only when its text changes).
function(qv_write_vendor_version_script path)
    qv_vendor_function_names(names)
    set(text "/* Written by the build from shared/vendor_functions.h. */\n{\n  global:\n")
    foreach(name IN LISTS names)
        string(APPEND text "    ${name};\n")
    endforeach()
    string(APPEND text "  local:\n    *;\n};\n")
    file(CONFIGURE OUTPUT "${path}" CONTENT "${text}" @ONLY)
endfunction()

# Writes the module-definition file `path` for the 32-bit Windows DLL
# `dll_name`: each vendor function with its standard-call decoration
# (name@<bytes of arguments>; every argument is a pointer). dlltool --kill-at
# makes of it the import library that a program calling the functions
# directly links with: it asks for the decorated names, and the DLL exports
# the plain ones (--kill-at), as GetProcAddress asks for them.
function(qv_write_vendor_stdcall_def path dll_name)
    set(table "${PROJECT_SOURCE_DIR}/shared/vendor_functions.h")
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${table}")
    file(READ "${table}" text)
    string(FIND "${text}" "#define QV_VENDOR_FUNCTIONS(X)" at)
    string(SUBSTRING "${text}" ${at} -1 text)
    string(REGEX REPLACE "\\\\\n" " " text "${text}")
    string(FIND "${text}" "\n" end)
    string(SUBSTRING "${text}" 0 ${end} macro)
    string(REGEX MATCHALL "[ \t]X\\([A-Za-z_][A-Za-z0-9_]*, *\\([^)]*\\)\\)" entries "${macro}")
    set(text "; Written by the build from shared/vendor_functions.h.\nLIBRARY ${dll_name}\nEXPORTS\n")
    foreach(entry IN LISTS entries)
        string(REGEX REPLACE "^[ \t]X\\(([A-Za-z_0-9]+),.*$" "\\1" name "${entry}")
        string(REGEX REPLACE "^[^(]*\\([^(]*\\(([^)]*)\\)\\)$" "\\1" params "${entry}")
        string(STRIP "${params}" params)
        if(params STREQUAL "void" OR params STREQUAL "")
            set(count 0)
        else()
            string(REGEX MATCHALL "," commas "${params}")
            list(LENGTH commas count)
            math(EXPR count "${count} + 1")
        endif()
        math(EXPR bytes "${count} * 4")
        string(APPEND text "    ${name}@${bytes}\n")
    endforeach()
    file(CONFIGURE OUTPUT "${path}" CONTENT "${text}" @ONLY)
endfunction()
