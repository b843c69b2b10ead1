// Stand-in format tool: empties a sandbox stick, labels it and copies a folder onto it.
//
//   HPUSBF <drive> -FS:FAT32 -V:<label> -S:<folder> -Y
//
// It does not format for real: emptying the drive gives the same result for the
// installer (an empty FAT32 stick) without any risk to a disk that is not a sandbox.
// What a format would change that a folder cannot show, the file system, it writes into
// the sandbox marker ("file-system: FAT32"), so that the extractor keeps FAT32's rules.
#include <windows.h>

#include <cwchar>
#include <string>
#include <vector>

#include "console_win.h"
#include "fs_win.h"
#include "marker.h"
#include "names.h"

namespace {

using standins::Say;
using standins::ToUtf8;

const char ToolName[] = "HPUSBF";

struct Options {
  std::wstring drive;
  std::wstring label;
  std::wstring source;
};

bool StartsWithNoCase(const std::wstring& text, const std::wstring& prefix) {
  return text.size() >= prefix.size() &&
         standins::AsciiLower(text.substr(0, prefix.size())) == standins::AsciiLower(prefix);
}

// What a FAT volume label may hold: at most 11 characters, printable ASCII, none of
// the characters FAT refuses in labels.
bool IsValidLabel(const std::wstring& label) {
  if (label.empty() || label.size() > 11) return false;
  for (wchar_t c : label) {
    if (c < 0x20 || c > 0x7E) return false;
    if (std::wcschr(L"*?.,;:/\\|+=<>[]\"", c) != nullptr) return false;
  }
  return true;
}

bool ParseOptions(const std::vector<std::wstring>& args, Options& options) {
  if (args.size() != 6) {
    Say(ToolName, "usage: HPUSBF <drive> -FS:FAT32 -V:<label> -S:<folder> -Y");
    return false;
  }
  options.drive = args[1];
  if (standins::AsciiLower(args[2]) != L"-fs:fat32") {
    Say(ToolName, "the second argument must be -FS:FAT32, not \"" + ToUtf8(args[2]) + "\"");
    return false;
  }
  if (!StartsWithNoCase(args[3], L"-V:") || !IsValidLabel(args[3].substr(3))) {
    Say(ToolName, "the third argument must be -V:<label> with a FAT label of 1 to 11 characters, not \"" +
                   ToUtf8(args[3]) + "\"");
    return false;
  }
  options.label = args[3].substr(3);
  if (!StartsWithNoCase(args[4], L"-S:") || args[4].size() == 3) {
    Say(ToolName, "the fourth argument must be -S:<folder>, not \"" + ToUtf8(args[4]) + "\"");
    return false;
  }
  options.source = args[4].substr(3);
  if (standins::AsciiLower(args[5]) != L"-y") {
    Say(ToolName, "the last argument must be -Y, not \"" + ToUtf8(args[5]) + "\"");
    return false;
  }
  return true;
}

// The source must survive the emptying: a source folder on the stick itself would be
// deleted before it is copied.
bool SourceIsOnDrive(const std::wstring& source, const std::wstring& root) {
  std::wstring full = standins::LongPath(source);
  std::wstring drivePrefix = L"\\\\?\\" + root.substr(0, 2);
  return StartsWithNoCase(full, drivePrefix);
}

int Run() {
  Options options;
  if (!ParseOptions(standins::CommandArgs(), options)) return standins::ExitUsage;

  std::wstring root = standins::SandboxRootFromArg(ToolName, options.drive);
  if (root.empty()) return standins::ExitRefused;
  if (!standins::IsDirectory(options.source)) {
    Say(ToolName, "source folder " + ToUtf8(options.source) + " does not exist; nothing was changed");
    return standins::ExitRefused;
  }
  if (SourceIsOnDrive(options.source, root)) {
    Say(ToolName, "source folder " + ToUtf8(options.source) + " lies on the drive to be emptied; nothing was changed");
    return standins::ExitRefused;
  }

  // Read before anything changes: a marker that cannot be read or says nonsense stops the
  // format while the stick is still whole.
  std::string marker;
  standins::MarkerFacts facts;
  if (!standins::ReadMarker(ToolName, root, marker)) return standins::ExitRefused;
  if (std::string error = standins::ReadMarkerFacts(marker, facts); !error.empty()) {
    Say(ToolName, error + "; nothing was changed");
    return standins::ExitRefused;
  }

  Say(ToolName, "emptying " + ToUtf8(root) + " (the sandbox marker stays)");
  if (!standins::EmptyFolder(ToolName, root, standins::SandboxMarker)) {
    Say(ToolName, "the drive could not be emptied completely");
    return standins::ExitRefused;
  }

  if (!standins::WriteMarker(ToolName, root, standins::WithMarkerFact(marker, "file-system", "FAT32"))) {
    Say(ToolName, "the stick was emptied but cannot be marked as FAT32");
    return standins::ExitRefused;
  }

  // Folder-backed drives (Wine maps a drive letter to a directory) may not take a
  // label; the stick is still usable, so that is only worth a note.
  if (!SetVolumeLabelW(root.c_str(), options.label.c_str())) {
    Say(ToolName, "note: the volume label was not set: " + standins::ErrorText(GetLastError()));
  }

  Say(ToolName, "copying " + ToUtf8(options.source) + " to " + ToUtf8(root));
  if (!standins::CopyFolderContent(ToolName, options.source, root)) {
    Say(ToolName, "the source folder could not be copied completely");
    return standins::ExitRefused;
  }
  Say(ToolName, "done: " + ToUtf8(root) + " formatted as FAT32, label " + ToUtf8(options.label));
  return 0;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return Run(); }
