// Stand-in image extractor: copies the files of an ISO 9660 image onto a sandbox stick.
//
//   UltraISO -inputfile <iso> -extract <drive>
//
// A relative <iso> is found in the current directory; <drive> "E:" means E:\.
// The whole tree is read and checked first (iso9660.cpp), so a damaged image is
// refused before anything is written. So is what the stick cannot hold: on a stick
// whose marker says FAT32, what FAT32 cannot hold (fat32.cpp), and on any stick more
// than its free space.
#include <windows.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "console_win.h"
#include "fat32.h"
#include "fs_win.h"
#include "handle_win.h"
#include "iso9660.h"
#include "marker.h"
#include "names.h"

namespace {

using standins::Say;
using standins::ToUtf8;

const char ToolName[] = "UltraISO";

class FileImage : public iso::ImageReader {
 public:
  FileImage(platform::UniqueFile file, std::uint64_t size) : file_(std::move(file)), size_(size) {}

  std::uint64_t Size() const override { return size_; }

  bool ReadAt(std::uint64_t offset, void* buffer, std::size_t length) override {
    LARGE_INTEGER at;
    at.QuadPart = static_cast<LONGLONG>(offset);
    if (!SetFilePointerEx(file_.get(), at, nullptr, FILE_BEGIN)) return false;
    auto* out = static_cast<char*>(buffer);
    while (length > 0) {
      DWORD want = length > (1u << 30) ? (1u << 30) : static_cast<DWORD>(length);
      DWORD got = 0;
      if (!ReadFile(file_.get(), out, want, &got, nullptr) || got == 0) return false;
      out += got;
      length -= got;
    }
    return true;
  }

 private:
  platform::UniqueFile file_;
  std::uint64_t size_;
};

std::wstring TargetPath(const std::wstring& root, const iso::Item& item) {
  std::wstring path = root;
  for (std::size_t i = 0; i < item.path.size(); ++i) {
    if (i > 0) path += L'\\';
    path += item.path[i];
  }
  return path;
}

bool WriteFileItem(iso::ImageReader& image, const iso::Item& item, const std::wstring& target) {
  SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_NORMAL);  // a read-only file would refuse
  platform::UniqueFile out(CreateFileW(target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!out) {
    Say(ToolName, "cannot create " + iso::PathText(item.path) + ": " + standins::ErrorText(GetLastError()));
    return false;
  }
  std::vector<char> buffer(1 << 20);
  for (const iso::Extent& extent : item.extents) {
    std::uint64_t done = 0;
    while (done < extent.length) {
      std::uint64_t left = extent.length - done;
      DWORD chunk = left < buffer.size() ? static_cast<DWORD>(left) : static_cast<DWORD>(buffer.size());
      if (!image.ReadAt(extent.offset + done, buffer.data(), chunk)) {
        Say(ToolName, "cannot read the data of " + iso::PathText(item.path) + " from the image");
        return false;
      }
      DWORD written = 0;
      if (!WriteFile(out.get(), buffer.data(), chunk, &written, nullptr) || written != chunk) {
        Say(ToolName, "cannot write " + iso::PathText(item.path) + ": " + standins::ErrorText(GetLastError()));
        return false;
      }
      done += chunk;
    }
  }
  return true;
}

std::uint64_t RoundUp(std::uint64_t bytes, std::uint64_t unit) { return (bytes + unit - 1) / unit * unit; }

// The space the stick's files and folders take now, in whole clusters. Files that the
// extraction will overwrite (same path, case ignored) are left out: their space comes back.
bool UsedBytes(const std::wstring& dir, const std::wstring& rel, const std::set<std::wstring>& replaced,
               std::uint32_t cluster, int depth, std::uint64_t& used) {
  if (depth > standins::MaxFolderDepth) return false;
  std::uint64_t entries = 2;
  bool ok = true;
  DWORD error = standins::ForEachEntry(dir, [&](const WIN32_FIND_DATAW& found) {
    if (!ok) return;
    std::wstring name = found.cFileName;
    entries += fat32::DirectoryEntries(name);
    std::wstring path = rel.empty() ? name : rel + L"\\" + name;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      if (!(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
          !UsedBytes(standins::JoinPath(dir, name), path, replaced, cluster, depth + 1, used)) {
        ok = false;
      }
    } else if (replaced.count(standins::AsciiLower(path)) == 0) {
      std::uint64_t size = (static_cast<std::uint64_t>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
      used += RoundUp(size, cluster);
    }
  });
  if (error == ERROR_FILE_NOT_FOUND) return true;
  if (error != ERROR_SUCCESS || !ok) return false;
  used += RoundUp(entries * 32, cluster);
  return true;
}

// Refuses, before anything is written, what the stick cannot hold. Says why on stderr.
bool FitsOnStick(const std::wstring& root, const iso::Tree& tree) {
  std::string marker;
  standins::MarkerFacts facts;
  if (!standins::ReadMarker(ToolName, root, marker)) return false;
  if (std::string error = standins::ReadMarkerFacts(marker, facts); !error.empty()) {
    Say(ToolName, error + "; nothing was written");
    return false;
  }
  const bool fat = standins::IsFat32(facts);
  if (fat) {
    if (std::string problem = fat32::Problem(tree); !problem.empty()) {
      Say(ToolName, ToUtf8(root) + " is FAT32, which cannot hold this image: " + problem + "; nothing was written");
      return false;
    }
  }

  // Windows reports a folder drive's free space as that of the disk the folder lies on;
  // the marker's capacity stands for the size of the stick itself.
  ULARGE_INTEGER freeToUs;
  if (!GetDiskFreeSpaceExW(root.c_str(), &freeToUs, nullptr, nullptr)) {
    Say(ToolName, "cannot read the free space of " + ToUtf8(root) + ": " + standins::ErrorText(GetLastError()));
    return false;
  }
  std::uint64_t freeBytes = freeToUs.QuadPart;
  std::uint32_t cluster = 4096;
  DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, clusters = 0;
  if (facts.capacity) {
    cluster = fat32::DefaultClusterBytes(*facts.capacity);
  } else if (GetDiskFreeSpaceW(root.c_str(), &sectorsPerCluster, &bytesPerSector, &freeClusters, &clusters) &&
             sectorsPerCluster * bytesPerSector > 0) {
    cluster = sectorsPerCluster * bytesPerSector;
  }
  if (facts.capacity) {
    std::set<std::wstring> replaced;
    for (const iso::Item& item : tree.items) {
      if (!item.isDirectory) replaced.insert(standins::AsciiLower(standins::FromUtf8(iso::PathText(item.path))));
    }
    std::uint64_t used = 0;
    if (!UsedBytes(standins::LongPath(root), L"", replaced, cluster, 0, used)) {
      Say(ToolName, "cannot measure what " + ToUtf8(root) + " holds; nothing was written");
      return false;
    }
    std::uint64_t usable = fat32::UsableBytes(*facts.capacity, cluster);
    freeBytes = std::min(freeBytes, usable > used ? usable - used : 0);
  }
  std::uint64_t needed = fat ? fat32::BytesNeeded(tree, cluster) : tree.bytes;
  if (needed > freeBytes) {
    Say(ToolName, ToUtf8(root) + " has " + std::to_string(freeBytes) + " bytes free, but the image needs " +
                   std::to_string(needed) + "; nothing was written");
    return false;
  }
  return true;
}

int Run() {
  std::vector<std::wstring> args = standins::CommandArgs();
  if (args.size() != 5 || standins::AsciiLower(args[1]) != L"-inputfile" ||
      standins::AsciiLower(args[3]) != L"-extract") {
    Say(ToolName, "usage: UltraISO -inputfile <iso> -extract <drive>");
    return standins::ExitUsage;
  }
  std::wstring root = standins::SandboxRootFromArg(ToolName, args[4]);
  if (root.empty()) return standins::ExitRefused;

  // CreateFileW resolves a relative name against the current directory.
  const std::wstring& isoPath = args[2];
  platform::UniqueFile file(CreateFileW(isoPath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file) {
    Say(ToolName, "cannot open " + ToUtf8(isoPath) + ": " + standins::ErrorText(GetLastError()));
    return standins::ExitRefused;
  }
  LARGE_INTEGER size;
  if (!GetFileSizeEx(file.get(), &size)) {
    Say(ToolName, "cannot measure " + ToUtf8(isoPath) + ": " + standins::ErrorText(GetLastError()));
    return standins::ExitRefused;
  }
  FileImage image(std::move(file), static_cast<std::uint64_t>(size.QuadPart));

  iso::Tree tree;
  if (std::string error = iso::ReadTree(image, tree); !error.empty()) {
    Say(ToolName, ToUtf8(isoPath) + " is not a usable ISO 9660 image: " + error + "; nothing was written");
    return standins::ExitRefused;
  }
  if (!FitsOnStick(root, tree)) return standins::ExitRefused;
  Say(ToolName, "extracting " + std::to_string(tree.files) + " files in " + std::to_string(tree.folders) +
                 " folders (" + std::to_string(tree.bytes) + " bytes, " +
                 (tree.joliet ? "Joliet" : "ISO 9660") + " names) to " + ToUtf8(root));

  // The \\?\ form lifts the MAX_PATH limit for deep trees with long Joliet names.
  std::wstring longRoot = standins::LongPath(root);
  for (const iso::Item& item : tree.items) {
    std::wstring target = TargetPath(longRoot, item);
    if (item.isDirectory) {
      if (!CreateDirectoryW(target.c_str(), nullptr) && !standins::IsDirectory(target)) {
        Say(ToolName, "cannot create folder " + iso::PathText(item.path) + ": " + standins::ErrorText(GetLastError()));
        return standins::ExitRefused;
      }
    } else if (!WriteFileItem(image, item, target)) {
      return standins::ExitRefused;
    }
  }
  Say(ToolName, "done");
  return 0;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return Run(); }
