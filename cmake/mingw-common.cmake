# The win32-thread-model compilers: their libstdc++ and libgcc use the Windows API directly.
# The posix-thread-model ones link winpthreads statically, which imports GetTickCount64 (Vista
# and later) and so keeps the program from starting on Windows XP. Our code starts no thread.
set(CMAKE_C_COMPILER ${TIUP_TRIPLET}-gcc-win32)
set(CMAKE_CXX_COMPILER ${TIUP_TRIPLET}-g++-win32)
set(CMAKE_RC_COMPILER ${TIUP_TRIPLET}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${TIUP_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Windows test programs run under Wine in a private prefix on a virtual display; the wrapper
# lives in the build tree so that every build directory gets its own prefix.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run.sh)
