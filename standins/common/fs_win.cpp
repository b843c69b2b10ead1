// Sandbox checks and recursive delete and copy for the format tool and the boot-loader installer.
#include "fs_win.h"

#include "console_win.h"
#include "handle_win.h"
#include "names.h"

namespace standins {

namespace {

bool EmptyLevel(const std::string& tool, const std::wstring& dir, const std::wstring& keep,
                int depth) {
  if (depth > MaxFolderDepth) {
    Say(tool, "folder nesting too deep, not emptied: " + ToUtf8(dir));
    return false;
  }
  bool ok = true;
  DWORD error = ForEachEntry(dir, [&](const WIN32_FIND_DATAW& found) {
    if (!keep.empty() && AsciiLower(std::wstring(found.cFileName)) == AsciiLower(keep)) return;
    std::wstring path = JoinPath(dir, found.cFileName);
    // Read-only entries would refuse deletion.
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    bool isDir = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    bool isLink = (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    if (isDir) {
      // A linked folder is unlinked, not emptied: its content lies elsewhere.
      if (!isLink && !EmptyLevel(tool, path, L"", depth + 1)) {
        ok = false;
        return;
      }
      // On Windows this removes a link itself; Wine 8 cannot remove a Unix symlink to
      // a folder at all and says "not empty", which is reported like any failure.
      if (!RemoveDirectoryW(path.c_str())) {
        Say(tool, "cannot remove folder " + ToUtf8(path) + ": " + ErrorText(GetLastError()));
        ok = false;
      }
    } else if (!DeleteFileW(path.c_str())) {
      Say(tool, "cannot delete " + ToUtf8(path) + ": " + ErrorText(GetLastError()));
      ok = false;
    }
  });
  if (error != ERROR_SUCCESS && error != ERROR_FILE_NOT_FOUND) {
    Say(tool, "cannot list " + ToUtf8(dir) + ": " + ErrorText(error));
    return false;
  }
  return ok;
}

bool CopyLevel(const std::string& tool, const std::wstring& from, const std::wstring& to,
               int depth) {
  if (depth > MaxFolderDepth) {
    Say(tool, "folder nesting too deep (a link loop?), not copied: " + ToUtf8(from));
    return false;
  }
  bool ok = true;
  DWORD error = ForEachEntry(from, [&](const WIN32_FIND_DATAW& found) {
    std::wstring source = JoinPath(from, found.cFileName);
    std::wstring target = JoinPath(to, found.cFileName);
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      if (!CreateDirectoryW(target.c_str(), nullptr) && !IsDirectory(target)) {
        Say(tool, "cannot create folder " + ToUtf8(target) + ": " + ErrorText(GetLastError()));
        ok = false;
        return;
      }
      ok = CopyLevel(tool, source, target, depth + 1) && ok;
    } else {
      ok = CopyOneFile(tool, source, target) && ok;
    }
  });
  if (error != ERROR_SUCCESS && error != ERROR_FILE_NOT_FOUND) {
    Say(tool, "cannot list " + ToUtf8(from) + ": " + ErrorText(error));
    return false;
  }
  return ok;
}

}  // namespace

bool IsSandboxRoot(const std::wstring& root) {
  return IsFile(JoinPath(root, SandboxMarker));
}

std::wstring SandboxRootFromArg(const std::string& tool, const std::wstring& arg) {
  wchar_t letter = DriveLetterFromArg(arg);
  if (letter == 0) {
    Say(tool, "\"" + ToUtf8(arg) + "\" is not a drive; give a letter and a colon, like E:");
    return L"";
  }
  std::wstring root = std::wstring(1, letter) + L":\\";
  if (!IsSandboxRoot(root)) {
    Say(tool, "refusing drive " + ToUtf8(root) + ": it is not a sandbox stick (no " +
                  ToUtf8(SandboxMarker) + " in its root); nothing was changed");
    return L"";
  }
  return root;
}

bool ReadMarker(const std::string& tool, const std::wstring& root, std::string& text) {
  // A marker is a few lines; anything bigger is not one of ours.
  constexpr DWORD MaxMarkerBytes = 64 * 1024;
  std::wstring path = JoinPath(root, SandboxMarker);
  platform::UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    Say(tool, "cannot read " + ToUtf8(path) + ": " + ErrorText(GetLastError()));
    return false;
  }
  text.assign(MaxMarkerBytes, '\0');
  DWORD got = 0;
  if (!ReadFile(file.get(), &text[0], MaxMarkerBytes, &got, nullptr)) {
    Say(tool, "cannot read " + ToUtf8(path) + ": " + ErrorText(GetLastError()));
    return false;
  }
  if (got == MaxMarkerBytes) {
    Say(tool, ToUtf8(path) + " is too large to be a sandbox marker");
    return false;
  }
  text.resize(got);
  return true;
}

bool WriteMarker(const std::string& tool, const std::wstring& root, const std::string& text) {
  std::wstring path = JoinPath(root, SandboxMarker);
  SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  platform::UniqueFile file(
      CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD written = 0;
  if (!file || !WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) ||
      written != text.size()) {
    Say(tool, "cannot write " + ToUtf8(path) + ": " + ErrorText(GetLastError()));
    return false;
  }
  return true;
}

std::wstring LongPath(const std::wstring& path) {
  if (path.compare(0, 4, L"\\\\?\\") == 0) return path;
  DWORD need = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (need == 0) return path;
  std::wstring full(need, L'\0');
  DWORD got = GetFullPathNameW(path.c_str(), need, &full[0], nullptr);
  if (got == 0 || got >= need) return path;
  full.resize(got);
  if (full.compare(0, 2, L"\\\\") == 0) return L"\\\\?\\UNC\\" + full.substr(2);
  return L"\\\\?\\" + full;
}

std::wstring JoinPath(const std::wstring& dir, const std::wstring& name) {
  if (dir.empty()) return name;
  if (dir.back() == L'\\' || dir.back() == L'/') return dir + name;
  return dir + L"\\" + name;
}

bool IsDirectory(const std::wstring& path) {
  DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

DWORD ForEachEntry(const std::wstring& dir, const std::function<void(const WIN32_FIND_DATAW&)>& visit,
                   const wchar_t* pattern) {
  WIN32_FIND_DATAW found;
  platform::UniqueFind search(FindFirstFileW(JoinPath(dir, pattern).c_str(), &found));
  if (!search) {
    DWORD error = GetLastError();
    return error == ERROR_NO_MORE_FILES ? ERROR_FILE_NOT_FOUND : error;
  }
  do {
    if (!IsDotEntry(found.cFileName)) visit(found);
  } while (FindNextFileW(search.get(), &found));
  return ERROR_SUCCESS;
}

bool IsFile(const std::wstring& path) {
  DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::wstring ModuleFolder() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    DWORD n = GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size()));
    if (n == 0) return L"";
    if (n < path.size()) {
      path.resize(n);
      break;
    }
    path.resize(path.size() * 2);  // truncated: try again with more room
  }
  std::size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? L"." : path.substr(0, slash);
}

bool EmptyFolder(const std::string& tool, const std::wstring& dir, const std::wstring& keep) {
  return EmptyLevel(tool, LongPath(dir), keep, 0);
}

bool CopyOneFile(const std::string& tool, const std::wstring& from, const std::wstring& to) {
  SetFileAttributesW(to.c_str(), FILE_ATTRIBUTE_NORMAL);  // a read-only target would refuse
  if (!CopyFileW(from.c_str(), to.c_str(), FALSE)) {
    Say(tool, "cannot copy " + ToUtf8(from) + " to " + ToUtf8(to) + ": " + ErrorText(GetLastError()));
    return false;
  }
  return true;
}

bool CopyFolderContent(const std::string& tool, const std::wstring& from, const std::wstring& to) {
  return CopyLevel(tool, LongPath(from), LongPath(to), 0);
}

}  // namespace standins
