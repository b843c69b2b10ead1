# The language level, warnings and linking that every part of the project builds with,
# whether it is built from the top or on its own (standins/, bench/).
set(CMAKE_CXX_STANDARD 17)
set(CMAKE_CXX_STANDARD_REQUIRED ON)
set(CMAKE_CXX_EXTENSIONS OFF)
add_compile_options(-Wall -Wextra)
if(WIN32)
  # Static, so that the programs need only system DLLs: without it Wine exits with
  # code 53 looking for libgcc_s_dw2-1.dll.
  add_link_options(-static -static-libgcc -static-libstdc++)
  # A release program carries no debug information: most of an unstripped USB.exe is the
  # static C++ runtime's.
  add_link_options($<$<CONFIG:Release>:-s>)
  # The same sources give the same bytes, wherever and whenever they are built: no link time in
  # the PE header (its checksum then follows from the rest).
  add_link_options(-Wl,--no-insert-timestamp)
  # The win32 thread model of GCC 13 and later (Debian 13) guards each function-local static with
  # a Vista condition variable (InitializeConditionVariable and its kin), which Windows XP lacks,
  # and XP's loader then refuses the program whole. USB.exe, the one part built with that model,
  # runs a single thread: its statics need no guard.
  if(MINGW_THREADS STREQUAL "win32")
    add_compile_options($<$<COMPILE_LANGUAGE:CXX>:-fno-threadsafe-statics>)
  endif()
endif()
