# Cross-compiles for 32-bit Windows with Debian's MinGW-w64.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(QUELVIN_TRIPLE i686-w64-mingw32)

# The posix thread model gives the C++ standard library its threads and mutexes (GoogleTest
# needs them); -static links winpthread in, so no extra DLL ships.
set(CMAKE_C_COMPILER ${QUELVIN_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QUELVIN_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${QUELVIN_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${QUELVIN_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# Windows programs built here (unit tests, test helpers) run under Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../tools/wine-run.sh)
