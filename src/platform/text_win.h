// Text across the Win32 boundary: the program keeps UTF-8, the A functions take ANSI.
#pragma once

#include <windows.h>

#include <string>

namespace platform {

// UTF-8 to the system's ANSI code page, through UTF-16. Characters the code page
// lacks become its default character.
std::string ToAnsi(const std::string& utf8);

// UTF-8 to UTF-16, for the W functions and COM: every character arrives as it is.
std::wstring ToWide(const std::string& utf8);

// ANSI (system code page) to UTF-8.
std::string FromAnsi(const std::string& ansi);

// The whole text of a window (control) as UTF-8.
std::string WindowText(HWND window);
void SetWindowText(HWND window, const std::string& utf8);

}  // namespace platform
