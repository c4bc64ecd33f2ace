# The Windows programs as one ZIP, unpacked and run where it lies:
#
#   cmake --preset windows && cmake --build build-windows
#   cd build-windows && cpack            -> quiterval-<version>-win64.zip
#
# The ZIP holds one folder, and everything lies in it side by side, as the
# programs look for it on Windows: torlib.exe, quiterval-ecf.exe
# (quiterval.exe where Qt exists), the DLLs they load (the service library,
# the shared records, the simulated printer), the printer choice
# impressora.conf (the simulator chosen) and README.md, with the technician's
# guide in docs/ where the README's link finds it.
#
# Two builds, one ZIP (and one installer, installer/) each: the 32-bit
# program (preset windows-i686, win32) is the default, for the printer
# libraries that come in 32 bits, as most do; the 64-bit one (preset
# windows, win64) is for a printer library that comes in 64 bits. A
# program loads only a library of its own word size.
#
# The compiler's runtime is linked into each program and DLL (the mingw-w64
# toolchain files), so nothing else is needed. No test program, import
# library or header goes in.

foreach(program quiterval torlib-tool quiterval-ecf)
    if(TARGET ${program})
        install(TARGETS ${program} RUNTIME DESTINATION .)
    endif()
endforeach()
foreach(library quiterval-shared torlib quiterval-ecfsim)
    if(TARGET ${library})
        install(TARGETS ${library} RUNTIME DESTINATION .
                ARCHIVE DESTINATION lib COMPONENT import-libraries EXCLUDE_FROM_ALL)
    endif()
endforeach()
# The printer choice with Windows' paths in its comments.
install(FILES ${PROJECT_SOURCE_DIR}/driver/impressora-windows.conf DESTINATION .
        RENAME impressora.conf)
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION .)
install(FILES ${PROJECT_SOURCE_DIR}/docs/tecnico.md DESTINATION docs)

if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(quiterval_windows_kind win64)
    set(quiterval_windows_summary
        "Till program for Brazilian restaurants, 64-bit: for printer libraries that come in 64 bits")
else()
    set(quiterval_windows_kind win32)
    set(quiterval_windows_summary
        "Till program for Brazilian restaurants, 32-bit: the default, for 32-bit printer libraries")
endif()
set(CPACK_PACKAGE_NAME quiterval)
set(CPACK_PACKAGE_VENDOR "Quiterval")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${quiterval_windows_summary} (fiscal coupons on an ECF)")
set(CPACK_PACKAGE_FILE_NAME quiterval-${PROJECT_VERSION}-${quiterval_windows_kind})
set(CPACK_GENERATOR ZIP)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
# The debugging information stays in the build tree.
set(CPACK_STRIP_FILES ON)
include(CPack)
