# What every test folder shares, for the native build and the Windows cross
# build alike: how a GoogleTest program's tests are registered, and how
# paths of the build tree are given to the tests.
include_guard(GLOBAL)

# Under Wine a Linux path such as /work/x is read as \work\x on the current
# drive, which a test that changes its working folder leaves; Z: is Wine's
# drive for the Linux root, so the paths written into the tests carry it.
if(CMAKE_CROSSCOMPILING AND WIN32)
    set(QUITERVAL_TEST_DRIVE "Z:")
else()
    set(QUITERVAL_TEST_DRIVE "")
endif()

# Registers the tests of `target` with CTest. Cross built, they are listed
# when CTest runs (under the emulator), not while building.
function(quiterval_discover_tests target)
    if(CMAKE_CROSSCOMPILING)
        gtest_discover_tests(${target} DISCOVERY_TIMEOUT 60 DISCOVERY_MODE PRE_TEST ${ARGN})
    else()
        gtest_discover_tests(${target} DISCOVERY_TIMEOUT 60 ${ARGN})
    endif()
endfunction()
