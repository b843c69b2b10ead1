// The home-page link, the help text and the credit message.
#pragma once

#include <string>

#include "services/system_services.h"
#include "services/window_services.h"

namespace links {

// Six lines joined by CR LF, the fourth empty; no break before or after.
std::string HelpText();
std::string CreditText();
inline constexpr const char* CreditTitle = "©";

// The logo and the address label do the same: open the home page through the shell and report.
void Image1_Click(services::WindowServices& window, services::SystemServices& system);
void Label5_Click(services::WindowServices& window, services::SystemServices& system);
// The help picture and the credit label: a message each; the status line stays.
void Image4_Click(services::WindowServices& window);
void Label7_Click(services::WindowServices& window);

}  // namespace links
