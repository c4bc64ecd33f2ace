# Installing Quiterval like any other program, and its Debian package.
#
#   cmake --install <build> --prefix <prefix>
#   cd <build> && cpack -G DEB
#
# Layout under the prefix:
#   bin/quiterval, bin/torlib, bin/quiterval-ecf
#   <libdir>/libtorlib.so*, <libdir>/libquiterval-shared.so*
#   lib/quiterval/libquiterval-ecfsim.so     the simulated printer, private
#   include/quiterval/torlib/torlib.h (+ shared/shared_record.h)
#   share/applications/quiterval.desktop
#   share/icons/hicolor/{16x16,32x32}/apps/quiterval.png
#   share/doc/quiterval/nfce.conf            the NFC-e's configuration, an example
#                                            to copy beside impressora.conf
#   etc/quiterval/impressora.conf            the printer chosen: the simulator
#                                            (beside the prefix when it is .../usr:
#                                            /etc/quiterval/ for /usr)
#
# Every installed file finds the libraries it needs relative to itself
# ($ORIGIN), so an unpacked tree works wherever it lies. The driver looks for
# the simulated printer beside the program, then in ../lib/quiterval/: the
# private folder is therefore always lib/quiterval, whatever <libdir> is.

include(GNUInstallDirs)

set(QUITERVAL_PRIVATE_LIBDIR lib/quiterval)

# $ORIGIN-relative search path from one installed folder to <libdir>.
function(quiterval_origin_rpath out from_dir)
    file(RELATIVE_PATH rel /prefix/${from_dir} /prefix/${CMAKE_INSTALL_LIBDIR})
    if(rel STREQUAL "")
        set(${out} "$ORIGIN" PARENT_SCOPE)
    else()
        set(${out} "$ORIGIN/${rel}" PARENT_SCOPE)
    endif()
endfunction()

quiterval_origin_rpath(quiterval_bin_rpath ${CMAKE_INSTALL_BINDIR})
quiterval_origin_rpath(quiterval_lib_rpath ${CMAKE_INSTALL_LIBDIR})
quiterval_origin_rpath(quiterval_private_rpath ${QUITERVAL_PRIVATE_LIBDIR})

# Programs. quiterval-ecf installs itself (tools/quiterval-ecf).
foreach(program quiterval torlib-tool quiterval-ecf)
    if(TARGET ${program})
        set_target_properties(${program} PROPERTIES INSTALL_RPATH "${quiterval_bin_rpath}")
    endif()
endforeach()
foreach(program quiterval torlib-tool)
    if(TARGET ${program})
        install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    endif()
endforeach()

# The public libraries, with their development links and the C header.
foreach(library quiterval-shared torlib)
    if(TARGET ${library})
        set_target_properties(${library} PROPERTIES INSTALL_RPATH "${quiterval_lib_rpath}")
        install(TARGETS ${library} LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
    endif()
endforeach()
if(TARGET torlib)
    install(FILES ${PROJECT_SOURCE_DIR}/torlib/torlib.h
            DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/quiterval/torlib)
    install(FILES ${PROJECT_SOURCE_DIR}/shared/shared_record.h
            DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/quiterval/shared)
endif()

# The simulated printer: loaded by the driver, not linked by anyone.
if(TARGET quiterval-ecfsim)
    set_target_properties(quiterval-ecfsim PROPERTIES INSTALL_RPATH "${quiterval_private_rpath}")
    install(TARGETS quiterval-ecfsim LIBRARY DESTINATION ${QUITERVAL_PRIVATE_LIBDIR}
            NAMELINK_SKIP)
endif()

# The technician's printer choice, with the simulated printer chosen. The
# program reads it from etc/ under its prefix, or beside a prefix named usr
# (/etc for /usr), and it is installed there; in the package it is a
# conffile, so an upgrade keeps the technician's edits.
set(QUITERVAL_CHOICE_FILE ${PROJECT_SOURCE_DIR}/driver/impressora.conf)
install(CODE "
    get_filename_component(quiterval_prefix_name \"\${CMAKE_INSTALL_PREFIX}\" NAME)
    if(quiterval_prefix_name STREQUAL \"usr\")
        get_filename_component(quiterval_etc \"\${CMAKE_INSTALL_PREFIX}\" DIRECTORY)
        string(REGEX REPLACE \"/$\" \"\" quiterval_etc \"\${quiterval_etc}\")
        set(quiterval_etc \"\${quiterval_etc}/etc/quiterval\")
    else()
        set(quiterval_etc \"\${CMAKE_INSTALL_PREFIX}/etc/quiterval\")
    endif()
    file(INSTALL DESTINATION \"\${quiterval_etc}\" TYPE FILE
         PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ
         FILES \"${QUITERVAL_CHOICE_FILE}\")
")

# The menu entry and the icon.
if(TARGET quiterval)
    install(FILES ${PROJECT_SOURCE_DIR}/app/window/resources/quiterval.desktop
            DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    foreach(size 16 32)
        install(FILES ${PROJECT_SOURCE_DIR}/app/window/resources/icon${size}.png
                DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
                RENAME quiterval.png)
    endforeach()
endif()

# The NFC-e's configuration as an example for the technician: the shop's
# own, with its secrets' paths, is never the package's.
if(TARGET quiterval-nfce)
    install(FILES ${PROJECT_SOURCE_DIR}/nfce/nfce.conf DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/quiterval)
endif()

# --- the Debian package ---------------------------------------------------

set(QUITERVAL_PACKAGE_MAINTAINER "Quiterval <suporte@quiterval.com.br>"
    CACHE STRING "Maintainer named in the Debian package")

set(CPACK_PACKAGE_NAME quiterval)
set(CPACK_PACKAGE_VENDOR "Quiterval")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${QUITERVAL_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_HOMEPAGE_URL "http://www.quiterval.com.br")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Till program for Brazilian restaurants (fiscal coupons on an ECF)")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "Quiterval issues stand-alone fiscal coupons on an ECF fiscal printer for\n"
    "restaurant sales typed by hand: meals and drinks, the customer's CPF or\n"
    "CNPJ, cash, cheque or card, with the approximate-tax line of Lei 12.741.\n"
    "It also runs the X reading, the Z reduction and the cancellation of the\n"
    "last coupon. The package holds the program, the service library\n"
    "libtorlib.so with its C header, the command-line tools torlib and\n"
    "quiterval-ecf, and a simulated fiscal printer, the default printer.\n"
    "Instead of the ECF it can issue the NFC-e (electronic consumer notes,\n"
    "Simples Nacional issuers), printing the DANFE on a thermal printer.")
set(CPACK_PACKAGE_INSTALL_DIRECTORY quiterval)
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${QUITERVAL_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Dependencies computed from the installed programs and libraries
# (dpkg-shlibdeps); the package's own libraries are resolved inside it.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS
    ${CMAKE_INSTALL_LIBDIR} ${QUITERVAL_PRIVATE_LIBDIR})
# The printer choice in /etc is a conffile.
file(WRITE ${PROJECT_BINARY_DIR}/debian-control/conffiles "/etc/quiterval/impressora.conf\n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${PROJECT_BINARY_DIR}/debian-control/conffiles)
include(CPack)
