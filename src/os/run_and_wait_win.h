// RunAndWait: start one program and wait, without a time limit, until it ends.
#pragma once

#include <cstdint>
#include <string>

namespace os {

// Starts the program file at the full path `program` and nothing else: no search, no ".exe"
// added. It receives the command line as it is, its first word included, whatever that names.
// Both are ANSI. Returns the exit code read as a signed 32-bit number, or -1 (the failed wait's
// 0xFFFFFFFF) when the program could not be started.
std::int32_t RunAndWait(const std::string& program, const std::string& commandLine);

}  // namespace os
