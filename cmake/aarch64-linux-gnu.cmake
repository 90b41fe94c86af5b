# Cross-build for Linux ARM64 (Debian: g++-aarch64-linux-gnu, qemu-user). Programs built for the
# target run under qemu-aarch64 (ctest, the checks); the system's ARM64 libraries are found in
# /usr/aarch64-linux-gnu, which is also where qemu finds the dynamic loader. Programs that run
# during the build (the endgame data generator) are built for this machine by its own compiler.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)
set(CMAKE_FIND_ROOT_PATH /usr/aarch64-linux-gnu)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
find_program(QUENDAL_QEMU NAMES qemu-aarch64 qemu-aarch64-static)
if(QUENDAL_QEMU)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${QUENDAL_QEMU};-L;/usr/aarch64-linux-gnu)
endif()
