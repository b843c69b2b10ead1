// What this process's access token says about its rights.
#pragma once

#include <optional>

namespace platform {

// Whether the process runs with the full rights of an administrator that User Account Control
// split off from the user's own (TokenElevation). Empty where the system cannot say: Windows XP
// knows no such query, and there every program of the user runs with the same rights.
std::optional<bool> ProcessIsElevated();

}  // namespace platform
