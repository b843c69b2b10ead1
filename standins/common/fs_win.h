// Sandbox-stick checks and the recursive folder work shared by the stand-ins that write to a drive.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace standins {

// True when the drive root holds the sandbox marker as a file.
bool IsSandboxRoot(const std::wstring& root);

// Turns a drive argument ("E:") into its root ("E:\") once it is well formed and
// names a sandbox stick; otherwise says why on stderr and gives "".
std::wstring SandboxRootFromArg(const std::string& tool, const std::wstring& arg);

// The marker's text (a small file), or false with the reason said on stderr.
bool ReadMarker(const std::string& tool, const std::wstring& root, std::string& text);

// Replaces the marker's text; false with the reason said on stderr.
bool WriteMarker(const std::string& tool, const std::wstring& root, const std::string& text);

// The full path with the \\?\ prefix, so that trees deeper than MAX_PATH still work.
std::wstring LongPath(const std::wstring& path);

// dir and name joined by exactly one backslash.
std::wstring JoinPath(const std::wstring& dir, const std::wstring& name);

bool IsDirectory(const std::wstring& path);
// The one walk through a folder: visit(found) for each of its entries whose name matches pattern,
// "." and ".." left out. Returns ERROR_SUCCESS once every entry was visited, ERROR_FILE_NOT_FOUND
// where there was none to visit (nothing matches; an empty drive root, which has no "." entry),
// else the error that kept the folder from being listed.
DWORD ForEachEntry(const std::wstring& dir, const std::function<void(const WIN32_FIND_DATAW&)>& visit,
                   const wchar_t* pattern = L"*");

bool IsFile(const std::wstring& path);

// The folder that holds this program's own executable file.
std::wstring ModuleFolder();

// Deletes everything inside dir, except the top-level entry named keep (compared
// without case). Links are removed, never followed, so nothing outside dir is touched.
// Says what failed on stderr; false when anything could not be removed.
bool EmptyFolder(const std::string& tool, const std::wstring& dir, const std::wstring& keep);

// Copies one file over any file of that name, read-only ones included.
bool CopyOneFile(const std::string& tool, const std::wstring& from, const std::wstring& to);

// Copies what is inside from into the existing folder to, recursively.
bool CopyFolderContent(const std::string& tool, const std::wstring& from, const std::wstring& to);

}  // namespace standins
