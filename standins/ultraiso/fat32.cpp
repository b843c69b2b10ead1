// FAT32's limits on sizes, names, paths and folders, and the space a tree takes on such a volume.
#include "fat32.h"

#include <cwchar>
#include <map>
#include <vector>

namespace fat32 {

namespace {

constexpr std::size_t EntryBytes = 32;
constexpr std::size_t LongNameUnitsPerEntry = 13;
// "E:\" before the path below the root.
constexpr std::size_t DriveUnits = 3;

std::uint64_t RoundUp(std::uint64_t bytes, std::uint64_t unit) { return (bytes + unit - 1) / unit * unit; }

bool IsShortNameChar(wchar_t c) {
  if (c >= L'A' && c <= L'Z') return true;
  if (c >= L'0' && c <= L'9') return true;
  return c != 0 && std::wcschr(L"$%'-_@~`!(){}^#&", c) != nullptr;
}

// "README", "BOOTX64.EFI": stored as a short name alone, without long-name entries.
bool IsShortName(const std::wstring& name) {
  std::size_t dot = name.find(L'.');
  std::wstring base = name.substr(0, dot);
  std::wstring ext = dot == std::wstring::npos ? L"" : name.substr(dot + 1);
  if (base.empty() || base.size() > 8 || ext.size() > 3) return false;
  if (dot != std::wstring::npos && ext.empty()) return false;
  for (wchar_t c : base + ext) {
    if (!IsShortNameChar(c)) return false;
  }
  return true;
}

std::string Describe(const iso::Item& item) { return iso::PathText(item.path); }

}  // namespace

std::size_t Utf16Units(const std::wstring& text) {
  // Where wchar_t is 16 bits the text is UTF-16 already and the high half is always zero.
  std::size_t units = 0;
  for (wchar_t c : text) units += (static_cast<std::uint32_t>(c) >> 16) != 0 ? 2 : 1;
  return units;
}

std::size_t DirectoryEntries(const std::wstring& name) {
  if (IsShortName(name)) return 1;
  return 1 + (Utf16Units(name) + LongNameUnitsPerEntry - 1) / LongNameUnitsPerEntry;
}

std::string Problem(const iso::Tree& tree) {
  std::map<std::vector<std::wstring>, std::size_t> entries;  // folder -> directory entries
  for (const iso::Item& item : tree.items) {
    if (item.path.empty()) continue;
    const std::wstring& name = item.path.back();
    if (!item.isDirectory && item.size > MaxFileBytes) {
      return "the file " + Describe(item) + " has " + std::to_string(item.size) +
             " bytes; a file on FAT32 can have at most 4 GiB - 1 (" + std::to_string(MaxFileBytes) + ")";
    }
    if (Utf16Units(name) > MaxNameUnits) {
      return "the name of " + Describe(item) + " is " + std::to_string(Utf16Units(name)) +
             " characters long; FAT allows at most " + std::to_string(MaxNameUnits);
    }
    std::size_t pathUnits = DriveUnits + item.path.size() - 1;
    for (const std::wstring& component : item.path) pathUnits += Utf16Units(component);
    if (pathUnits > MaxPathUnits) {
      return "the path of " + Describe(item) + " is " + std::to_string(pathUnits) +
             " characters long with the drive; FAT allows at most " + std::to_string(MaxPathUnits);
    }
    std::vector<std::wstring> parent(item.path.begin(), item.path.end() - 1);
    std::size_t& count = entries[parent];
    count += DirectoryEntries(name);
    // A folder other than the root starts with "." and "..".
    if (count + (parent.empty() ? 0 : 2) > MaxFolderEntries) {
      std::string where = parent.empty() ? "the root folder" : "the folder " + iso::PathText(parent);
      return where + " would need more than " + std::to_string(MaxFolderEntries) +
             " directory entries, the most a FAT folder holds";
    }
  }
  return "";
}

std::uint32_t DefaultClusterBytes(std::uint64_t volumeBytes) {
  constexpr std::uint64_t MiB = 1024ull * 1024;
  constexpr std::uint64_t GiB = 1024 * MiB;
  if (volumeBytes <= 64 * MiB) return 512;
  if (volumeBytes <= 128 * MiB) return 1024;
  if (volumeBytes <= 256 * MiB) return 2048;
  if (volumeBytes <= 8 * GiB) return 4096;
  if (volumeBytes <= 16 * GiB) return 8192;
  if (volumeBytes <= 32 * GiB) return 16384;
  return 32768;
}

std::uint64_t UsableBytes(std::uint64_t volumeBytes, std::uint32_t clusterBytes) {
  if (volumeBytes <= ReservedBytes || clusterBytes == 0) return 0;
  std::uint64_t clusters = (volumeBytes - ReservedBytes) / clusterBytes;
  std::uint64_t tables = 2 * RoundUp(4 * (clusters + 2), 512);
  if (volumeBytes <= ReservedBytes + tables) return 0;
  return (volumeBytes - ReservedBytes - tables) / clusterBytes * clusterBytes;
}

std::uint64_t BytesNeeded(const iso::Tree& tree, std::uint32_t clusterBytes) {
  std::map<std::vector<std::wstring>, std::size_t> entries;
  std::uint64_t bytes = 0;
  for (const iso::Item& item : tree.items) {
    if (item.path.empty()) continue;
    std::vector<std::wstring> parent(item.path.begin(), item.path.end() - 1);
    entries[parent] += DirectoryEntries(item.path.back());
    if (item.isDirectory) {
      entries[item.path] += 2;  // "." and ".."
    } else {
      bytes += RoundUp(item.size, clusterBytes);
    }
  }
  for (const auto& [folder, count] : entries) bytes += RoundUp(count * EntryBytes, clusterBytes);
  return bytes;
}

}  // namespace fat32
