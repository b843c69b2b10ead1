// Platform-free checks on the names the stand-ins are given: drive arguments and file names.
#pragma once

#include <string>

#include "sandbox_names.h"

namespace standins {

// The marker file whose presence in a drive's root makes it a sandbox stick (scripts/sandbox/names.sh).
constexpr wchar_t SandboxMarker[] = L"" SANDBOX_MARKER;

// The exit codes of the format tool, the boot-loader installer and the extractor besides 0
// (scripts/sandbox/names.sh): a refusal or a job not done, said on stderr; a command line that
// they cannot read.
constexpr int ExitRefused = SANDBOX_EXIT_REFUSED;
constexpr int ExitUsage = SANDBOX_EXIT_USAGE;

// Deeper than any real stick layout or image: a walk through folders stops here, so that a link
// loop on a drive or a damaged image cannot take it round for ever.
constexpr int MaxFolderDepth = 64;

// A folder's entry for itself (".") or for its parent ("..").
bool IsDotEntry(const std::wstring& name);

// "E:" or "e:" gives 'E'; anything else (no colon, two letters, a path, a digit) gives 0.
wchar_t DriveLetterFromArg(const std::wstring& arg);

// Why a single path component cannot be created as given on a Windows drive, or ""
// when it can. Refuses what could climb out of the destination ("..", separators,
// a drive colon) and what Windows would silently change or treat as a device.
std::string UnsafeNameReason(const std::wstring& name);

// ASCII letters to lower case, other characters as they are: file names compare this way, as a
// FAT drive compares them for the cases that matter here, and so do header names, URL schemes
// and hosts, and the marker's names.
template <typename Char>
std::basic_string<Char> AsciiLower(std::basic_string<Char> text) {
  for (Char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<Char>(c - 'A' + 'a');
  }
  return text;
}

// The text without the given blank characters at either end.
std::string Trim(const std::string& text, const char* blanks = " \t");

// UTF-16 (or UTF-32 where wchar_t is 32 bits) to UTF-8, for messages.
std::string ToUtf8(const std::wstring& text);

// UTF-8 to wide text; bytes that are not valid UTF-8 are taken as Latin-1.
std::wstring FromUtf8(const std::string& text);

}  // namespace standins
