# Cross-building for 64-bit Windows with Debian's MinGW-w64 (posix threads),
# the programs run under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix) # GoogleTest's project asks for C too
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# The runtime linked in, so that Wine finds no DLL of ours missing.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
find_program(VORLINDA_WINE NAMES wine wine64 wine-stable)
if(VORLINDA_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${VORLINDA_WINE})
endif()
