# Cross-build for Windows with mingw-w64, shared by the toolchain files of both Windows builds.
# The including file sets MINGW_TRIPLET and CMAKE_SYSTEM_PROCESSOR first.
# MINGW_THREADS picks the compilers' thread model:
#   posix (the default): GoogleTest needs it (the win32 model has no std::mutex in GCC 12);
#   win32: USB.exe itself, whose own sub-build asks for it. The posix model's static runtime
#     imports GetTickCount64, which Windows XP lacks, and XP's loader refuses such a program whole.
if(NOT MINGW_THREADS)
  set(MINGW_THREADS posix)
endif()
# try_compile projects read the toolchain file again; they must see the same choice.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES MINGW_THREADS)

set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${MINGW_TRIPLET}-gcc-${MINGW_THREADS})
set(CMAKE_CXX_COMPILER ${MINGW_TRIPLET}-g++-${MINGW_THREADS})
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
