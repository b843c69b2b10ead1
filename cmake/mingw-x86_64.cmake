# 64-bit Windows (PE32+): the same sources, for machines whose Wine runs 64-bit code only.
set(MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
# Wine's 64-bit loader by its path, also where wine32 is installed (scripts/wine64/wine says why).
get_filename_component(MINGW_WINE ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine64/wine ABSOLUTE)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
