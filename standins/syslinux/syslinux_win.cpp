// Stand-in boot-loader installer: puts ldlinux.sys and the SYSLINUX loader modules on a sandbox stick.
//
//   syslinux.exe <drive>
//
// The loader files come from the SYSLINUX folder beside this program. The real boot
// sector is written on Linux, by Debian's syslinux, when a sandbox stick is packed
// into a disk image; here ldlinux.sys is copied from that folder when it holds one,
// or else a placeholder that says what it stands for.
#include <windows.h>

#include <string>
#include <vector>

#include "console_win.h"
#include "fs_win.h"
#include "handle_win.h"
#include "names.h"

namespace {

using standins::JoinPath;
using standins::Say;
using standins::ToUtf8;

const char ToolName[] = "syslinux";

const char Placeholder[] =
    "This file stands for the SYSLINUX boot loader (ldlinux.sys).\r\n"
    "The stand-in installer cannot write a boot sector; the real one is installed\r\n"
    "by Linux's syslinux when this sandbox stick is packed into a disk image.\r\n";

bool WritePlaceholder(const std::wstring& path) {
  SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  platform::UniqueFile file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD size = sizeof Placeholder - 1;
  DWORD written = 0;
  if (!file || !WriteFile(file.get(), Placeholder, size, &written, nullptr) || written != size) {
    Say(ToolName, "cannot write " + ToUtf8(path) + ": " + standins::ErrorText(GetLastError()));
    return false;
  }
  return true;
}

// Every loader module (*.c32) in the folder, by name.
std::vector<std::wstring> LoaderModules(const std::wstring& folder) {
  std::vector<std::wstring> names;
  standins::ForEachEntry(
      folder,
      [&](const WIN32_FIND_DATAW& found) {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.emplace_back(found.cFileName);
      },
      L"*.c32");
  return names;
}

int Run() {
  std::vector<std::wstring> args = standins::CommandArgs();
  if (args.size() != 2) {
    Say(ToolName, "usage: syslinux.exe <drive>");
    return standins::ExitUsage;
  }
  std::wstring root = standins::SandboxRootFromArg(ToolName, args[1]);
  if (root.empty()) return standins::ExitRefused;

  std::wstring folder = JoinPath(standins::ModuleFolder(), L"SYSLINUX");
  if (!standins::IsFile(JoinPath(folder, L"ldlinux.c32"))) {
    Say(ToolName,
        "no ldlinux.c32 in " + ToUtf8(folder) + ", which must stand beside this program; nothing was changed");
    return standins::ExitRefused;
  }

  bool ok = true;
  std::wstring sysSource = JoinPath(folder, L"ldlinux.sys");
  std::wstring sysTarget = JoinPath(root, L"ldlinux.sys");
  if (standins::IsFile(sysSource)) {
    ok = standins::CopyOneFile(ToolName, sysSource, sysTarget) && ok;
  } else {
    ok = WritePlaceholder(sysTarget) && ok;
  }
  for (const std::wstring& name : LoaderModules(folder)) {
    ok = standins::CopyOneFile(ToolName, JoinPath(folder, name), JoinPath(root, name)) && ok;
  }
  if (!ok) return standins::ExitRefused;
  Say(ToolName, "boot loader installed on " + ToUtf8(root));
  return 0;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return Run(); }
