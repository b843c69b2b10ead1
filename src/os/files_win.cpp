// The steps' file and folder calls, with the system's error dialogs held back.
#include "os/files_win.h"

#include <windows.h>

#include <vector>

#include "os/quiet_errors_win.h"
#include "platform/text_win.h"

namespace os {
namespace {

// The folder that query(buffer, size) writes, read wide; empty when the query fails, when the
// folder does not fit (the query then asks for more room), or when the code page cannot hold
// its name.
template <typename Query>
std::optional<std::string> FolderFrom(Query query) {
  wchar_t buffer[MAX_PATH + 1] = {};
  const DWORD n = query(buffer, static_cast<DWORD>(MAX_PATH + 1));
  if (n == 0 || n >= MAX_PATH + 1) return std::nullopt;
  return platform::FromWide(std::wstring(buffer, n));
}

// The file's attributes; INVALID_FILE_ATTRIBUTES for a folder, or when there is no such file.
DWORD FileAttributes(const std::string& ansi) {
  const DWORD attributes = ::GetFileAttributesA(ansi.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) ? INVALID_FILE_ATTRIBUTES
                                                                                          : attributes;
}

}  // namespace

std::optional<std::int64_t> FileLength(const std::string& path) {
  const std::optional<std::string> ansi = platform::ToAnsiExactly(path);
  if (!ansi) return std::nullopt;
  QuietErrors quiet;
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!::GetFileAttributesExA(ansi->c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
  if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return std::nullopt;  // a folder is no file
  // 64 bits: an image of 2 GiB or more is measured whole.
  return (static_cast<std::int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// Wide, not through the 8-bit call: that one maps a character the code page lacks to a look-alike,
// and a folder "x＼..＼..＼Public" (U+FF3C, a letter in a file name) would read as the real path
// x\..\..\Public, another folder, where step 1 would start its tools.
std::optional<std::string> CurrentDirectory() {
  return FolderFrom([](wchar_t* buffer, DWORD size) { return ::GetCurrentDirectoryW(size, buffer); });
}

// GetWindowsDirectory would give, on a Remote Desktop server, the user's private Windows folder,
// on whatever drive that is.
std::optional<std::string> WindowsFolder() {
  return FolderFrom([](wchar_t* buffer, DWORD size) { return ::GetSystemWindowsDirectoryW(buffer, size); });
}

std::optional<std::string> ProgramFile() {
  // Room for the longest path there is; a name cut short (the result then fills the buffer, and
  // XP leaves it unterminated) is no name.
  std::vector<wchar_t> buffer(32768, L'\0');
  const DWORD size = static_cast<DWORD>(buffer.size());
  const DWORD n = ::GetModuleFileNameW(nullptr, buffer.data(), size);
  if (n == 0 || n >= size) return std::nullopt;
  return platform::FromWide(std::wstring(buffer.data(), n));
}

bool RenameFile(const std::string& from, const std::string& to, services::IfTargetExists ifExists) {
  const std::optional<std::string> ansiFrom = platform::ToAnsiExactly(from);
  const std::optional<std::string> ansiTo = platform::ToAnsiExactly(to);
  if (!ansiFrom || !ansiTo) return false;
  QuietErrors quiet;
  const DWORD flags = ifExists == services::IfTargetExists::Replace ? MOVEFILE_REPLACE_EXISTING : 0;
  return ::MoveFileExA(ansiFrom->c_str(), ansiTo->c_str(), flags) != 0;
}

bool RemoveFile(const std::string& path) {
  const std::optional<std::string> ansi = platform::ToAnsiExactly(path);
  if (!ansi) return false;
  QuietErrors quiet;
  if (::DeleteFileA(ansi->c_str())) return true;
  // A read-only file is removed too, and left read-only where it still cannot be removed.
  const DWORD attributes = FileAttributes(*ansi);
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_READONLY) ||
      !::SetFileAttributesA(ansi->c_str(), attributes & ~FILE_ATTRIBUTE_READONLY)) {
    return false;
  }
  if (::DeleteFileA(ansi->c_str())) return true;
  ::SetFileAttributesA(ansi->c_str(), attributes);
  return false;
}

bool MarkLeftover(const std::string& path) {
  const std::optional<std::string> ansi = platform::ToAnsiExactly(path);
  if (!ansi) return false;
  QuietErrors quiet;
  const DWORD attributes = FileAttributes(*ansi);
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  return ::SetFileAttributesA(ansi->c_str(), (attributes & ~FILE_ATTRIBUTE_NORMAL) | FILE_ATTRIBUTE_TEMPORARY) != 0;
}

bool IsLeftover(const std::string& path) {
  const std::optional<std::string> ansi = platform::ToAnsiExactly(path);
  if (!ansi) return false;
  QuietErrors quiet;
  const DWORD attributes = FileAttributes(*ansi);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_TEMPORARY);
}

}  // namespace os
