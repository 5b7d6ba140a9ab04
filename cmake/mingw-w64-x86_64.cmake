# Cross build for 64-bit Windows with Debian's MinGW-w64 (POSIX thread model,
# which std::thread and std::mutex need). Programs are linked statically, so
# tessaly.exe needs no DLL beside it; tests run through wine64.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TESSALY_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TESSALY_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TESSALY_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${TESSALY_MINGW_PREFIX}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${TESSALY_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh)
