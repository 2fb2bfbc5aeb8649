# Cross-compiling for 64-bit Windows with Debian's mingw-w64 (posix threads, for
# std::thread). Used to build Qt itself; programs configured with that Qt's
# qt-cmake load it again through Qt's own chain-loading.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(RK_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${RK_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${RK_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${RK_MINGW_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${RK_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
