# SPDX-License-Identifier: MIT
# CMake toolchain file for 32-bit Windows with Debian's MinGW-w64 (posix threads), used for
# Qt's cross build and for the program's.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(quorin_mingw i686-w64-mingw32)
set(CMAKE_C_COMPILER ${quorin_mingw}-gcc-posix)
set(CMAKE_CXX_COMPILER ${quorin_mingw}-g++-posix)
set(CMAKE_RC_COMPILER ${quorin_mingw}-windres)

# SSE2 arithmetic, as on x86-64, so that floating-point results match the Linux build (the x87
# unit's extended precision would round differently). 32-bit Windows keeps the stack aligned
# to 4 bytes only, so functions realign it where SSE data needs 16.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse -mstackrealign")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse -mstackrealign")

# Libraries and headers of the target only; programs (moc, uic, rcc) of the host.
set(CMAKE_FIND_ROOT_PATH /usr/${quorin_mingw})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
