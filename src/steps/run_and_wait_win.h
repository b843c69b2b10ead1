// RunAndWait: start one program and wait, without a time limit, until it ends.
#pragma once

#include <cstdint>
#include <string>

namespace steps {

// The command line is ANSI. Returns the exit code read as a signed 32-bit number,
// or -1 (the failed wait's 0xFFFFFFFF) when the program could not be started.
std::int32_t RunAndWait(const std::string& commandLine);

}  // namespace steps
