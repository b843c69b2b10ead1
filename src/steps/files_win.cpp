// The steps' file-system calls, with the system's error dialogs held back.
#include "steps/files_win.h"

#include <windows.h>

#include "platform/text_win.h"

namespace steps {
namespace {

// No "insert a disk" dialog for a stick that has gone: the query just fails.
class QuietErrors {
 public:
  QuietErrors() : previous_(::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX)) {}
  ~QuietErrors() { ::SetErrorMode(previous_); }
  QuietErrors(const QuietErrors&) = delete;
  QuietErrors& operator=(const QuietErrors&) = delete;

 private:
  UINT previous_;
};

// The folder that query(buffer, size) writes; empty when the query fails, or when the folder does
// not fit (the query then asks for more room).
template <typename Query>
std::optional<std::string> FolderFrom(Query query) {
  char buffer[MAX_PATH + 1] = {};
  const DWORD n = query(buffer, static_cast<DWORD>(sizeof buffer));
  if (n == 0 || n >= sizeof buffer) return std::nullopt;
  return platform::FromAnsi(std::string(buffer, n));
}

}  // namespace

std::optional<std::int64_t> FileLength(const std::string& path) {
  QuietErrors quiet;
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!::GetFileAttributesExA(platform::ToAnsi(path).c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
  if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return std::nullopt;  // a folder is no file
  // 64 bits: an image of 2 GiB or more is measured whole.
  return (static_cast<std::int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

std::optional<std::string> CurrentDirectory() {
  return FolderFrom([](char* buffer, DWORD size) { return ::GetCurrentDirectoryA(size, buffer); });
}

// GetWindowsDirectoryA would give, on a Remote Desktop server, the user's private Windows folder,
// on whatever drive that is.
std::optional<std::string> WindowsFolder() {
  return FolderFrom([](char* buffer, DWORD size) { return ::GetSystemWindowsDirectoryA(buffer, size); });
}

bool RenameFile(const std::string& from, const std::string& to) {
  QuietErrors quiet;
  return ::MoveFileExA(platform::ToAnsi(from).c_str(), platform::ToAnsi(to).c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

bool RemoveFile(const std::string& path) {
  QuietErrors quiet;
  return ::DeleteFileA(platform::ToAnsi(path).c_str()) != 0;
}

}  // namespace steps
