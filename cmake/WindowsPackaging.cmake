# The Windows programs as one ZIP, unpacked and run where it lies:
#
#   cmake --preset windows && cmake --build build-windows
#   cd build-windows && cpack            -> quiterval-<version>-win64.zip
#
# Layout inside the ZIP's one folder:
#   bin/torlib.exe, bin/quiterval-ecf.exe (bin/quiterval.exe where Qt exists)
#   bin/<the DLLs>: the service library, the shared records, the simulated
#                   printer; the programs find them beside themselves
#   etc/quiterval/impressora.conf   the printer chosen: the simulator, found
#                                   from bin/ as in the Linux tree
#   README.md
#
# The compiler's runtime is linked into each program and DLL (the mingw-w64
# toolchain files), so nothing else is needed. No test program, import
# library or header goes in.

foreach(program quiterval torlib-tool)
    if(TARGET ${program})
        install(TARGETS ${program} RUNTIME DESTINATION bin)
    endif()
endforeach()
# quiterval-ecf installs itself into bin (tools/quiterval-ecf).
foreach(library quiterval-shared torlib quiterval-ecfsim)
    if(TARGET ${library})
        install(TARGETS ${library} RUNTIME DESTINATION bin
                ARCHIVE DESTINATION lib COMPONENT import-libraries EXCLUDE_FROM_ALL)
    endif()
endforeach()
install(FILES ${PROJECT_SOURCE_DIR}/driver/impressora.conf DESTINATION etc/quiterval)
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION .)

if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(quiterval_windows_kind win64)
else()
    set(quiterval_windows_kind win32)
endif()
set(CPACK_PACKAGE_NAME quiterval)
set(CPACK_PACKAGE_VENDOR "Quiterval")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Till program for Brazilian restaurants (fiscal coupons on an ECF)")
set(CPACK_PACKAGE_FILE_NAME quiterval-${PROJECT_VERSION}-${quiterval_windows_kind})
set(CPACK_GENERATOR ZIP)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
# The debugging information stays in the build tree.
set(CPACK_STRIP_FILES ON)
include(CPack)
