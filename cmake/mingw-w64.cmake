# Cross toolchain: 64-bit Windows programs built on a Linux host with mingw-w64.
# The posix thread model is required: the win32 one has no std::thread.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(NORVIK_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER   ${NORVIK_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${NORVIK_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER  ${NORVIK_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${NORVIK_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# Fully static: the programs must import nothing but Windows system DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Test programs run under Wine; the wrapper reads the display and prefix of the
# current test run from the state folder under the build tree.
set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh;${CMAKE_BINARY_DIR}/wine")
