# Cross build for the Windows target: 64-bit x86 with mingw-w64 (posix threads).
# SSE2 is part of x86-64, so its float math is already what the 32-bit build asks for.
#   cmake --preset windows64
set(BRINE_MINGW_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
