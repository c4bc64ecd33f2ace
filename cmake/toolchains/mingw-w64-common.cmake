# What both Windows toolchains share; QUITERVAL_MINGW_TRIPLET names the target.
set(CMAKE_C_COMPILER ${QUITERVAL_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QUITERVAL_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${QUITERVAL_MINGW_TRIPLET}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${QUITERVAL_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# No libgcc, libstdc++ or libwinpthread DLL beside the programs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++ -static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++ -static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++ -static")

# Tests and test discovery run the Windows programs under Wine.
find_program(QUITERVAL_WINE NAMES wine wine64)
if(QUITERVAL_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${QUITERVAL_WINE})
endif()
