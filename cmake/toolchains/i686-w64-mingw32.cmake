# Cross build for 32-bit Windows with Debian's mingw-w64 (-posix thread model).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(QUITERVAL_MINGW_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
# The vendor functions use the standard call there; their DLLs export them
# by their plain names (no "@8" suffix), as GetProcAddress asks for them.
string(APPEND CMAKE_SHARED_LINKER_FLAGS_INIT " -Wl,--kill-at")
