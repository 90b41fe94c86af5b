# Cross-build for Windows x86-64 with MinGW-w64 (Debian: g++-mingw-w64-x86-64-posix). The posix
# thread model's compiler is the one with std::thread. Programs that run during the build (the
# endgame data generator) are built for this machine by its own compiler.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
find_program(QUENDAL_WINE NAMES wine wine64)
if(QUENDAL_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${QUENDAL_WINE})
endif()
