// Text across the Win32 boundary: the program keeps UTF-8, the A functions take ANSI.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace platform {

// Every conversion to the ANSI code page is exact or says it is not: a character that the code
// page lacks is never turned into a look-alike ("best fit"). A look-alike can change what a path
// names: U+FF3C, the fullwidth reverse solidus, is a letter in a file name and would become a
// real backslash in code page 1252, as the yen and won signs would in 932 and 949.

// UTF-8 to the ANSI code page, through UTF-16; empty when the code page cannot hold the text
// exactly (or it is no valid UTF-8). For paths and command lines: the caller fails rather than
// name something else.
std::optional<std::string> ToAnsiExactly(const std::string& utf8);

// The same for the program's own texts, which the code page always holds (Finnish, ä ö Ä ©);
// should one not, a character that it lacks becomes the code page's default character.
std::string ToAnsi(const std::string& utf8);

// UTF-8 to UTF-16, for the W functions and COM: every character arrives as it is.
std::wstring ToWide(const std::string& utf8);

// ANSI (system code page) to UTF-8.
std::string FromAnsi(const std::string& ansi);

// UTF-8 of a text that the system gave wide; empty when the ANSI code page cannot hold it
// exactly, so that a name which no A call could reach unchanged is never used.
std::optional<std::string> FromWide(const std::wstring& wide);

// The whole text of a window (control) as UTF-8.
std::string WindowText(HWND window);
void SetWindowText(HWND window, const std::string& utf8);

}  // namespace platform
