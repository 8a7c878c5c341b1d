# Cross build for the Windows target: 32-bit x86 with mingw-w64 (posix threads).
#   cmake --preset windows
set(BRINE_MINGW_PROCESSOR i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
