# Cross-build for Windows with mingw-w64, shared by the toolchain files of both Windows builds.
# The including file sets MINGW_TRIPLET and CMAKE_SYSTEM_PROCESSOR first.
# The -posix compilers are needed: GoogleTest does not build against the win32 thread model
# (no std::mutex).
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# ctest runs the Windows test programs through Wine: `wine`, or the loader that the including
# file names in MINGW_WINE.
if(NOT DEFINED MINGW_WINE)
  set(MINGW_WINE wine)
endif()
set(CMAKE_CROSSCOMPILING_EMULATOR ${MINGW_WINE})
