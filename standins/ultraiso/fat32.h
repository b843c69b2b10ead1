// What a FAT32 stick can hold: the extractor checks an image's tree against it before it writes anything.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "iso9660.h"

namespace fat32 {

// A file's size is a 32-bit field: 4 GiB - 1 bytes at most.
constexpr std::uint64_t MaxFileBytes = 0xFFFFFFFFull;
// A long name is at most 255 UTF-16 units.
constexpr std::size_t MaxNameUnits = 255;
// The whole path with its drive, "E:\folder\file", and the terminating NUL within MAX_PATH (260):
// Windows' FAT driver and Explorer go no further, so a stick with longer paths could not be read
// back or copied by the user, even where this tool could write it through \\?\ paths.
constexpr std::size_t MaxPathUnits = 259;
// A folder is at most 65536 directory entries of 32 bytes (long names take several each).
constexpr std::size_t MaxFolderEntries = 65536;
// Reserved sectors before the allocation tables, as Windows formats a FAT32 stick.
constexpr std::uint64_t ReservedBytes = 32 * 512;

// Why the tree cannot be written onto a FAT32 volume as it is, or "" when it can:
// a file of 4 GiB or more, a name or path longer than FAT's limits, a folder with too many entries.
std::string Problem(const iso::Tree& tree);

// The cluster size Windows gives a FAT32 volume of that size when formatting it.
std::uint32_t DefaultClusterBytes(std::uint64_t volumeBytes);

// What is left for folders and files on a FAT32 volume of that size, after the reserved sectors
// and the two allocation tables (4 bytes per cluster each).
std::uint64_t UsableBytes(std::uint64_t volumeBytes, std::uint32_t clusterBytes);

// The space the tree takes on a FAT32 volume with that cluster size: every file rounded up to
// whole clusters, and every folder's directory entries (long names included) in whole clusters,
// the root's new entries too. An upper bound by at most one cluster per folder.
std::uint64_t BytesNeeded(const iso::Tree& tree, std::uint32_t clusterBytes);

// Directory entries a name takes: one for its short name, plus one per 13 UTF-16 units of the
// long name when the name is not already a short (8.3, upper-case) name.
std::size_t DirectoryEntries(const std::wstring& name);

// Length in UTF-16 units (a wchar_t above 0xFFFF, where wchar_t is 32 bits, counts as two).
std::size_t Utf16Units(const std::wstring& text);

}  // namespace fat32
