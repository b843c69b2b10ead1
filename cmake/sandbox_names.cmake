# The sandbox's names (scripts/sandbox/names.sh) for the C++ side. Every SANDBOX_NAME=value line of
# that file becomes a CMake variable and a macro of the same name in sandbox_names.h (a string,
# or a number for a value of digits alone), which
# is written into the build tree; the INTERFACE library sandbox_names puts it on the include path.
# The build is configured anew when names.sh changes. Included by the top-level CMakeLists.txt and
# by the parts that can be built on their own (standins/).
include_guard(GLOBAL)

set(_sandbox_names_file ${CMAKE_CURRENT_LIST_DIR}/../scripts/sandbox/names.sh)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${_sandbox_names_file})
file(STRINGS ${_sandbox_names_file} _sandbox_lines REGEX "^SANDBOX_[A-Z0-9_]+=")
set(_sandbox_header "// Written by the build from scripts/sandbox/names.sh: the sandbox's names, for the C++ side.\n#pragma once\n")
foreach(_sandbox_line IN LISTS _sandbox_lines)
  string(REGEX MATCH "^(SANDBOX_[A-Z0-9_]+)=(.*)$" _sandbox_match "${_sandbox_line}")
  set(_sandbox_name ${CMAKE_MATCH_1})
  set(_sandbox_value "${CMAKE_MATCH_2}")
  # (Two tests: if() evaluates both sides of an OR, and a failed MATCHES clears CMAKE_MATCH_1.)
  if(_sandbox_value MATCHES "^'([^']*)'$")
    set(_sandbox_value "${CMAKE_MATCH_1}")
  elseif(_sandbox_value MATCHES "^\"([^\"\\\\$`]*)\"$")
    set(_sandbox_value "${CMAKE_MATCH_1}")
  elseif(NOT _sandbox_value MATCHES "^[A-Za-z0-9_./:-]*$")
    message(FATAL_ERROR "scripts/sandbox/names.sh: ${_sandbox_name} is neither a plain word nor quoted")
  endif()
  set(${_sandbox_name} "${_sandbox_value}")
  if(_sandbox_value MATCHES "^[0-9]+$")
    string(APPEND _sandbox_header "#define ${_sandbox_name} ${_sandbox_value}\n")
    continue()
  endif()
  string(REPLACE "\\" "\\\\" _sandbox_value "${_sandbox_value}")
  string(REPLACE "\"" "\\\"" _sandbox_value "${_sandbox_value}")
  string(APPEND _sandbox_header "#define ${_sandbox_name} \"${_sandbox_value}\"\n")
endforeach()

# Written only when it changes, so that configuring again rebuilds nothing.
set(_sandbox_header_file ${CMAKE_BINARY_DIR}/sandbox/sandbox_names.h)
set(_sandbox_old_header "")
if(EXISTS ${_sandbox_header_file})
  file(READ ${_sandbox_header_file} _sandbox_old_header)
endif()
if(NOT _sandbox_old_header STREQUAL _sandbox_header)
  file(WRITE ${_sandbox_header_file} "${_sandbox_header}")
endif()

add_library(sandbox_names INTERFACE)
target_include_directories(sandbox_names INTERFACE ${CMAKE_BINARY_DIR}/sandbox)
