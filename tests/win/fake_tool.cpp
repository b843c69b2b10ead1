// A stand-in for the steps' tools inside the Windows tests. It appends the command
// line it saw to tools.log beside itself and acts by the name it was started as:
// syslinux.exe puts a boot menu on the drive; the exit code comes from the file
// <name>.exit beside it (0 if there is none).
#include <windows.h>
#include <shellapi.h>

#include <cstring>
#include <string>

namespace {

std::string Folder(std::string* name) {
  char path[MAX_PATH] = {};
  ::GetModuleFileNameA(nullptr, path, sizeof path);
  std::string full(path);
  size_t slash = full.find_last_of('\\');
  *name = full.substr(slash + 1);
  return full.substr(0, slash);
}

void Append(const std::string& file, const std::string& text) {
  HANDLE h = ::CreateFileA(file.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  ::WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  ::CloseHandle(h);
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  std::string name;
  const std::string folder = Folder(&name);
  Append(folder + "\\tools.log", std::string(::GetCommandLineA()) + "\n");

  int argc = 0;
  LPWSTR* argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
  if (_stricmp(name.c_str(), "syslinux.exe") == 0 && argc >= 2) {
    char drive[64] = {};
    ::WideCharToMultiByte(CP_ACP, 0, argv[1], -1, drive, sizeof drive, nullptr, nullptr);
    Append(std::string(drive) + "\\vesamenu.c32", "menu");
  }
  ::LocalFree(argv);

  int code = 0;
  HANDLE h = ::CreateFileA((folder + "\\" + name + ".exit").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                           OPEN_EXISTING, 0, nullptr);
  if (h != INVALID_HANDLE_VALUE) {
    char text[16] = {};
    DWORD got = 0;
    ::ReadFile(h, text, sizeof text - 1, &got, nullptr);
    ::CloseHandle(h);
    code = std::atoi(text);
  }
  return code;
}
