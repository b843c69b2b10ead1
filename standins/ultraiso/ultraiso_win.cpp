// Stand-in image extractor: copies the files of an ISO 9660 image onto a sandbox stick.
//
//   UltraISO -inputfile <iso> -extract <drive>
//
// A relative <iso> is found in the current directory; <drive> "E:" means E:\.
// The whole tree is read and checked first (iso9660.cpp), so a damaged image is
// refused before anything is written.
#include <windows.h>

#include <string>
#include <vector>

#include "console_win.h"
#include "fs_win.h"
#include "handle_win.h"
#include "iso9660.h"
#include "names.h"

namespace {

using standins::Narrow;
using standins::Say;

const char kTool[] = "UltraISO";

class FileImage : public iso::ImageReader {
 public:
  FileImage(FileHandle file, std::uint64_t size) : file_(std::move(file)), size_(size) {}

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
  FileHandle file_;
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
  FileHandle out(CreateFileW(target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!out) {
    Say(kTool, "cannot create " + iso::PathText(item.path) + ": " + standins::ErrorText(GetLastError()));
    return false;
  }
  std::vector<char> buffer(1 << 20);
  for (const iso::Extent& extent : item.extents) {
    std::uint64_t done = 0;
    while (done < extent.length) {
      std::uint64_t left = extent.length - done;
      DWORD chunk = left < buffer.size() ? static_cast<DWORD>(left) : static_cast<DWORD>(buffer.size());
      if (!image.ReadAt(extent.offset + done, buffer.data(), chunk)) {
        Say(kTool, "cannot read the data of " + iso::PathText(item.path) + " from the image");
        return false;
      }
      DWORD written = 0;
      if (!WriteFile(out.get(), buffer.data(), chunk, &written, nullptr) || written != chunk) {
        Say(kTool, "cannot write " + iso::PathText(item.path) + ": " + standins::ErrorText(GetLastError()));
        return false;
      }
      done += chunk;
    }
  }
  return true;
}

int Run() {
  std::vector<std::wstring> args = standins::CommandArgs();
  if (args.size() != 5 || standins::FoldCase(args[1]) != L"-inputfile" ||
      standins::FoldCase(args[3]) != L"-extract") {
    Say(kTool, "usage: UltraISO -inputfile <iso> -extract <drive>");
    return 2;
  }
  std::wstring root = standins::SandboxRootFromArg(kTool, args[4]);
  if (root.empty()) return 1;

  // CreateFileW resolves a relative name against the current directory.
  const std::wstring& iso_path = args[2];
  FileHandle file(CreateFileW(iso_path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file) {
    Say(kTool, "cannot open " + Narrow(iso_path) + ": " + standins::ErrorText(GetLastError()));
    return 1;
  }
  LARGE_INTEGER size;
  if (!GetFileSizeEx(file.get(), &size)) {
    Say(kTool, "cannot measure " + Narrow(iso_path) + ": " + standins::ErrorText(GetLastError()));
    return 1;
  }
  FileImage image(std::move(file), static_cast<std::uint64_t>(size.QuadPart));

  iso::Tree tree;
  if (std::string error = iso::ReadTree(image, tree); !error.empty()) {
    Say(kTool, Narrow(iso_path) + " is not a usable ISO 9660 image: " + error + "; nothing was written");
    return 1;
  }
  Say(kTool, "extracting " + std::to_string(tree.files) + " files in " + std::to_string(tree.folders) +
                 " folders (" + std::to_string(tree.bytes) + " bytes, " +
                 (tree.joliet ? "Joliet" : "ISO 9660") + " names) to " + Narrow(root));

  // The \\?\ form lifts the MAX_PATH limit for deep trees with long Joliet names.
  std::wstring long_root = standins::LongPath(root);
  for (const iso::Item& item : tree.items) {
    std::wstring target = TargetPath(long_root, item);
    if (item.is_directory) {
      if (!CreateDirectoryW(target.c_str(), nullptr) && !standins::IsDirectory(target)) {
        Say(kTool, "cannot create folder " + iso::PathText(item.path) + ": " + standins::ErrorText(GetLastError()));
        return 1;
      }
    } else if (!WriteFileItem(image, item, target)) {
      return 1;
    }
  }
  Say(kTool, "done");
  return 0;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return Run(); }
