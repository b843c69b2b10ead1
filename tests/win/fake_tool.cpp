// A stand-in for the steps' tools inside the Windows tests. It appends the command
// line it saw to tools.log beside itself and acts by the name it was started as:
// syslinux.exe puts a boot menu on the drive; wget.exe, where a file wget.exe.saves
// stands beside it, saves that file's bytes in the current directory under the last
// part of the URL, as the downloader does (NAME.1 where NAME is taken); the exit code comes from the file
// <name>.exit beside it (0 if there is none). Its own folder is read wide, so that
// it finds its files in a folder whose name the code page cannot hold.
#include <windows.h>
#include <shellapi.h>

#include <cstdlib>
#include <string>

namespace {

std::wstring Folder(std::wstring* name) {
  wchar_t path[32768] = {};
  ::GetModuleFileNameW(nullptr, path, 32768);
  std::wstring full(path);
  size_t slash = full.find_last_of(L'\\');
  *name = full.substr(slash + 1);
  return full.substr(0, slash);
}

void Append(const std::wstring& file, const std::string& text) {
  HANDLE h = ::CreateFileW(file.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  ::WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  ::CloseHandle(h);
}

// The file's bytes; false when there is no such file.
bool Read(const std::wstring& file, std::string* bytes) {
  HANDLE h = ::CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  char buffer[4096];
  DWORD got = 0;
  while (::ReadFile(h, buffer, sizeof buffer, &got, nullptr) && got > 0) bytes->append(buffer, got);
  ::CloseHandle(h);
  return true;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  std::wstring name;
  const std::wstring folder = Folder(&name);
  Append(folder + L"\\tools.log", std::string(::GetCommandLineA()) + "\n");

  int argc = 0;
  LPWSTR* argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
  if (_wcsicmp(name.c_str(), L"syslinux.exe") == 0 && argc >= 2) {
    Append(std::wstring(argv[1]) + L"\\vesamenu.c32", "menu");
  }
  std::string saves;
  if (_wcsicmp(name.c_str(), L"wget.exe") == 0 && argc >= 2 && Read(folder + L"\\wget.exe.saves", &saves)) {
    // As the downloader does, a file already there stays: the new one becomes NAME.1 (.2, ...).
    const std::wstring url = argv[argc - 1];
    const std::wstring saved = url.substr(url.find_last_of(L'/') + 1);
    std::wstring file = saved;
    for (int n = 1; ::GetFileAttributesW(file.c_str()) != INVALID_FILE_ATTRIBUTES; ++n)
      file = saved + L"." + std::to_wstring(n);
    Append(file, saves);
  }
  ::LocalFree(argv);

  std::string text;
  return Read(folder + L"\\" + name + L".exit", &text) ? std::atoi(text.c_str()) : 0;
}
