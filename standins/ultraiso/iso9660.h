// Reads the directory tree of an ISO 9660 image (Joliet names where present) into a list of what to create.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace iso {

// Random access to the image; offsets are 64-bit so that images past 4 GiB work.
class ImageReader {
 public:
  virtual ~ImageReader() = default;
  virtual std::uint64_t Size() const = 0;
  virtual bool ReadAt(std::uint64_t offset, void* buffer, std::size_t length) = 0;
};

struct Extent {
  std::uint64_t offset = 0;  // bytes from the start of the image
  std::uint64_t length = 0;
};

struct Item {
  bool isDirectory = false;
  std::vector<std::wstring> path;  // components below the image's root
  std::vector<Extent> extents;     // a file's data, in order (several for a multi-extent file)
  std::uint64_t size = 0;
};

struct Tree {
  bool joliet = false;
  std::vector<Item> items;  // every folder comes before what it holds
  std::size_t files = 0;
  std::size_t folders = 0;
  std::uint64_t bytes = 0;
};

// Reads and checks the whole tree before anything is written, so that a damaged or
// hostile image is refused as a whole. Returns "" on success, else what is wrong.
std::string ReadTree(ImageReader& image, Tree& tree);

// "a\b\c" from the components, for messages.
std::string PathText(const std::vector<std::wstring>& path);

}  // namespace iso
