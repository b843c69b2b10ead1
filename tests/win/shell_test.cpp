// The home-page link's shell call: shell32 and COM come with the first click, not with the program.
#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>
#include <shellapi.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "os/shell_win.h"
#include "platform/module_win.h"
#include "win_test_support.h"

namespace {

// The names of the DLLs in a program file's import directory, upper-cased.
std::set<std::string> ImportedDlls(const std::string& file) {
  const std::string image = wintest::ReadFile(file);
  std::set<std::string> names;
  auto at = [&](std::size_t offset, std::size_t size) -> const char* {
    return offset + size <= image.size() ? image.data() + offset : nullptr;
  };
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(at(0, sizeof(IMAGE_DOS_HEADER)));
  if (dos == nullptr || dos->e_magic != IMAGE_DOS_SIGNATURE) return names;
  const std::size_t nt = static_cast<std::size_t>(dos->e_lfanew);
  const auto* header = reinterpret_cast<const IMAGE_FILE_HEADER*>(at(nt + 4, sizeof(IMAGE_FILE_HEADER)));
  if (header == nullptr) return names;
  const std::size_t optional = nt + 4 + sizeof(IMAGE_FILE_HEADER);
  const auto* magic = reinterpret_cast<const WORD*>(at(optional, 2));
  if (magic == nullptr) return names;
  // The data directories follow the optional header's fixed part, which is longer in PE32+.
  const std::size_t directories = optional + (*magic == IMAGE_NT_OPTIONAL_HDR64_MAGIC ? 112 : 96);
  const auto* imports = reinterpret_cast<const IMAGE_DATA_DIRECTORY*>(
      at(directories + IMAGE_DIRECTORY_ENTRY_IMPORT * sizeof(IMAGE_DATA_DIRECTORY), sizeof(IMAGE_DATA_DIRECTORY)));
  const auto* sections = reinterpret_cast<const IMAGE_SECTION_HEADER*>(
      at(optional + header->SizeOfOptionalHeader, header->NumberOfSections * sizeof(IMAGE_SECTION_HEADER)));
  if (imports == nullptr || sections == nullptr) return names;
  auto fileOffset = [&](DWORD rva) -> std::size_t {
    for (WORD i = 0; i < header->NumberOfSections; ++i) {
      const IMAGE_SECTION_HEADER& s = sections[i];
      if (rva >= s.VirtualAddress && rva < s.VirtualAddress + s.SizeOfRawData)
        return rva - s.VirtualAddress + s.PointerToRawData;
    }
    return image.size();
  };
  for (std::size_t d = fileOffset(imports->VirtualAddress);; d += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
    const auto* descriptor = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(at(d, sizeof(IMAGE_IMPORT_DESCRIPTOR)));
    if (descriptor == nullptr || descriptor->Name == 0) break;
    const std::size_t name = fileOffset(descriptor->Name);
    if (at(name, 1) == nullptr) break;
    std::string dll(image.data() + name, strnlen(image.data() + name, image.size() - name));
    for (char& c : dll) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    names.insert(dll);
  }
  return names;
}

// The program starts without shell32, ole32 and the common controls: nothing in its import
// directory names them, so the loader does not bring them in before the window opens.
TEST(Shell, TheProgramDoesNotImportShell32Ole32OrTheCommonControls) {
  const char* exe = std::getenv("USB_EXE");
  ASSERT_NE(exe, nullptr) << "USB_EXE must name the built USB.exe";
  const std::set<std::string> dlls = ImportedDlls(exe);
  ASSERT_TRUE(dlls.count("USER32.DLL")) << "the import directory was not read";
  EXPECT_FALSE(dlls.count("SHELL32.DLL"));
  EXPECT_FALSE(dlls.count("OLE32.DLL"));
  EXPECT_FALSE(dlls.count("COMCTL32.DLL"));
}

// A system DLL asked for by its name comes from the system folder, even with a file of that name
// beside the program, which a search by the bare name takes first: this test program, unlike
// USB.exe, has not narrowed its DLL search at start. comdlg32 stands for any DLL not yet loaded.
// A 32-bit program on 64-bit Windows is given the 32-bit system DLLs, which stand in the WOW64
// system folder (SysWOW64): the module's path may name that folder while the program asked for
// the system folder. IsWow64Process is looked up, as systems before XP SP2 lack it.
TEST(Shell, SystemDllsComeFromTheSystemFolderNotFromBesideTheProgram) {
  const char* name = "comdlg32.dll";
  ASSERT_EQ(::GetModuleHandleA(name), nullptr) << "loaded already: its path would tell nothing";
  char folder[MAX_PATH] = {};
  ASSERT_GT(::GetSystemDirectoryA(folder, sizeof folder), 0u);
  const std::string system = std::string(folder) + "\\" + name;
  std::vector<std::string> allowed{system};
  using IsWow64ProcessFunction = BOOL(WINAPI*)(HANDLE, PBOOL);
  const auto isWow64Process =
      platform::ProcAddress<IsWow64ProcessFunction>(::GetModuleHandleA("kernel32.dll"), "IsWow64Process");
  BOOL wow64 = FALSE;
  if (isWow64Process != nullptr && isWow64Process(::GetCurrentProcess(), &wow64) && wow64) {
    char wow64Folder[MAX_PATH] = {};
    ASSERT_GT(::GetSystemWow64DirectoryA(wow64Folder, sizeof wow64Folder), 0u);
    allowed.push_back(std::string(wow64Folder) + "\\" + name);
  }
  const std::string planted = wintest::ExeFolder() + "\\" + name;
  ASSERT_TRUE(::CopyFileA(system.c_str(), planted.c_str(), FALSE));
  {
    const platform::UniqueModule module = platform::LoadSystemLibrary(name);
    char path[MAX_PATH] = {};
    ::GetModuleFileNameA(module.get(), path, sizeof path);
    EXPECT_NE(::lstrcmpiA(path, planted.c_str()), 0) << path;
    EXPECT_TRUE(std::any_of(allowed.begin(), allowed.end(),
                            [&](const std::string& folderPath) { return ::lstrcmpiA(path, folderPath.c_str()) == 0; }))
        << path << (wow64 ? " (a 32-bit program on 64-bit Windows)" : "");
  }
  ::DeleteFileA(planted.c_str());
}

// Wine's explorer.exe, the desktop's shell, comes up with a session's first program and ends about
// a second after its last, so a test program that asks at once may find it on its way out or not
// yet registered; on Windows it is there all along. True once it takes a request (it refuses to
// open a file that is not there), within the limit.
bool DesktopShellTakesRequests() {
  const std::string missing = wintest::NewTempFolder("probe") + "\\not-there.txt";
  const DWORD begin = ::GetTickCount();
  while (os::OpenThroughDesktopShell(missing, SW_SHOWNORMAL) == os::DesktopAnswer::NotReached) {
    if (::GetTickCount() - begin > 30000) return false;
    ::Sleep(100);
  }
  const DWORD waited = ::GetTickCount() - begin;
  if (waited > 100) std::printf("the desktop's shell took requests after %lu ms\n", static_cast<unsigned long>(waited));
  return true;
}

// The program's own shell call hands back the shell's own result, the same number that a direct
// ShellExecuteA gives for the same document, on failure (a file that is not there) and on
// success (a program that ends at once); OpenWithShell, whichever way it takes, lands on the
// same side of 32.
TEST(Shell, OpenWithShellReturnsTheShellsResultUnchanged) {
  ASSERT_TRUE(DesktopShellTakesRequests()) << "Wine's desktop shell did not come up";
  const std::string missing = wintest::NewTempFolder("shell") + "\\not-there.txt";
  const std::string program = wintest::ExeFolder() + "\\exit_with.exe";
  for (const std::string& document : {missing, program}) {
    const auto direct = static_cast<std::int32_t>(reinterpret_cast<INT_PTR>(
        ::ShellExecuteA(nullptr, "open", document.c_str(), nullptr, nullptr, SW_SHOWNORMAL)));
    EXPECT_EQ(os::OpenWithShellExecuteA(document, SW_SHOWNORMAL), direct) << document;
  }
  EXPECT_LE(os::OpenWithShell(missing, SW_SHOWNORMAL), 32);
  EXPECT_GT(os::OpenWithShell(program, SW_SHOWNORMAL), 32);
}

// The first call initialises COM on the calling thread, apartment-threaded, and later calls
// do not initialise it again: after one CoUninitialize the thread is free for another model.
TEST(Shell, TheFirstCallInitialisesComOnceApartmentThreaded) {
  const std::string missing = wintest::NewTempFolder("com") + "\\not-there.txt";
  os::OpenWithShell(missing, SW_SHOWNORMAL);
  os::OpenWithShell(missing, SW_SHOWNORMAL);
  EXPECT_EQ(::CoInitializeEx(nullptr, COINIT_MULTITHREADED), RPC_E_CHANGED_MODE);
  ::CoUninitialize();
  const HRESULT now = ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  EXPECT_EQ(now, S_OK) << "COM was initialised more than once";
  if (SUCCEEDED(now)) ::CoUninitialize();
  // As the first call left the thread, for the tests that run after this one in the process: the
  // program initialises COM once and counts on it staying.
  ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
}

// Under Wine every process holds the full administrator token, and Wine's explorer.exe keeps the
// desktop in the shell's window list with the whole path to its shell: so the home page goes
// through the desktop's shell there. Its answers are its own, a refusal included: 32 for a file
// that is not there, where the program's own ShellExecuteA would say 2 (file not found).
TEST(Shell, AnElevatedProgramIsServedByTheDesktopsShell) {
  ASSERT_EQ(os::ProcessElevation(), os::Elevation::Elevated) << "Wine's token is elevated";
  ASSERT_TRUE(DesktopShellTakesRequests()) << "Wine's desktop shell did not come up";
  const std::string missing = wintest::NewTempFolder("desktop") + "\\not-there.txt";
  const std::string program = wintest::ExeFolder() + "\\exit_with.exe";
  const DWORD begin = ::GetTickCount();
  EXPECT_EQ(os::OpenThroughDesktopShell(program, SW_SHOWNORMAL), os::DesktopAnswer::Opened);
  EXPECT_EQ(os::OpenThroughDesktopShell(missing, SW_SHOWNORMAL), os::DesktopAnswer::Refused);
  EXPECT_EQ(os::OpenWithShell(program, SW_SHOWNORMAL), os::DesktopOpened);
  EXPECT_EQ(os::OpenWithShell(missing, SW_SHOWNORMAL), os::DesktopNotOpened);
  // A fraction of a second on a host; in the virtual machine's software emulation the first trip
  // through a new prefix's desktop shell has taken 21 s.
  const DWORD limit = wintest::InVirtualMachine() ? 60000u : 10000u;
  EXPECT_LT(::GetTickCount() - begin, limit) << "the desktop's shell kept the program waiting";
}

}  // namespace
