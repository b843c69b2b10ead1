// The system's real services for the platform-free handlers: files, folders, drives, tools, the shell.
#pragma once

#include <memory>

#include "services/system_services.h"

namespace os {

std::unique_ptr<services::SystemServices> MakeSystemServices();

}  // namespace os
