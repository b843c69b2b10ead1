// ISO 9660 / Joliet directory walk with the checks that keep a hostile image from escaping the destination.
#include "iso9660.h"

#include <algorithm>
#include <cstring>
#include <set>
#include <utility>

#include "names.h"

namespace iso {

namespace {

constexpr std::uint32_t Sector = 2048;
constexpr std::uint64_t FirstDescriptor = 16ull * Sector;
// Real images hold a handful of descriptors; a long run without a terminator is damage.
constexpr int MaxDescriptors = 64;
constexpr std::size_t MaxItems = 1000000;
constexpr std::uint32_t MaxDirectoryBytes = 16u * 1024 * 1024;
// Room for the \\?\E:\ prefix below the 32767-character limit of Windows paths.
constexpr std::size_t MaxPathChars = 32000;

// The hidden flag (0x01) is not looked at: hidden entries are extracted like the rest.
constexpr std::uint8_t FlagDirectory = 0x02;
constexpr std::uint8_t FlagAssociated = 0x04;
constexpr std::uint8_t FlagMultiExtent = 0x80;

std::uint16_t Le16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }

std::uint32_t Le32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

struct Record {
  std::uint64_t offset = 0;  // of the data, after any extended attribute record
  std::uint32_t lba = 0;
  std::uint32_t length = 0;
  std::uint8_t flags = 0;
};

Record RecordAt(const std::uint8_t* r) {
  Record rec;
  rec.lba = Le32(r + 2);
  rec.length = Le32(r + 10);
  rec.flags = r[25];
  rec.offset = (static_cast<std::uint64_t>(rec.lba) + r[1]) * Sector;
  return rec;
}

struct PendingDir {
  Record record;
  std::vector<std::wstring> path;
};

class Walker {
 public:
  Walker(ImageReader& image, Tree& tree, bool joliet) : image_(image), tree_(tree), joliet_(joliet) {}

  std::string Walk(const Record& root) {
    if (std::string e = CheckDirectoryExtent(root, {}); !e.empty()) return e;
    visited_.insert(root.lba);
    std::vector<PendingDir> stack{{root, {}}};
    while (!stack.empty()) {
      PendingDir dir = std::move(stack.back());
      stack.pop_back();
      std::vector<PendingDir> children;
      if (std::string e = ReadDirectory(dir, children); !e.empty()) return e;
      // Reverse so that the folders come off the stack in the order the image lists them.
      for (auto it = children.rbegin(); it != children.rend(); ++it) stack.push_back(std::move(*it));
    }
    return "";
  }

 private:
  bool Within(std::uint64_t offset, std::uint64_t length) const {
    std::uint64_t size = image_.Size();
    return offset <= size && length <= size - offset;
  }

  std::string CheckDirectoryExtent(const Record& rec, const std::vector<std::wstring>& path) {
    std::string where = path.empty() ? "the root folder" : "folder " + PathText(path);
    if (rec.length == 0) return where + " has an empty directory extent";
    if (rec.length > MaxDirectoryBytes) return where + " has an implausibly large directory";
    if (!Within(rec.offset, rec.length)) return where + " lies past the end of the image (truncated image?)";
    return "";
  }

  std::string DecodeName(const std::uint8_t* raw, std::size_t n, bool isDir, std::wstring& name) {
    name.clear();
    if (joliet_) {
      if (n % 2 != 0) return "a Joliet name has an odd byte length";
      for (std::size_t i = 0; i < n; i += 2) name += static_cast<wchar_t>((raw[i] << 8) | raw[i + 1]);
    } else {
      // Primary names are meant to be d-characters; anything else is taken as Latin-1.
      for (std::size_t i = 0; i < n; ++i) name += static_cast<wchar_t>(raw[i]);
    }
    if (!isDir) {
      // "NAME.EXT;1": drop the version; the primary tree also writes "README." for a
      // name without an extension.
      std::size_t semi = name.rfind(L';');
      if (semi != std::wstring::npos &&
          name.find_first_not_of(L"0123456789", semi + 1) == std::wstring::npos) {
        name.resize(semi);
      }
      if (!joliet_ && !name.empty() && name.back() == L'.' && !standins::IsDotEntry(name)) name.pop_back();
    }
    return "";
  }

  std::string AddItem(Item item, std::set<std::wstring>& namesHere) {
    std::wstring folded = standins::AsciiLower(item.path.back());
    if (!namesHere.insert(folded).second) {
      return "the name " + PathText(item.path) + " occurs twice in its folder (names on the stick ignore case)";
    }
    if (tree_.items.size() >= MaxItems) return "the image holds implausibly many files";
    std::size_t chars = 0;
    for (const std::wstring& c : item.path) chars += c.size() + 1;
    if (chars > MaxPathChars) return "a path in the image is too long: " + PathText(item.path);
    if (item.isDirectory) {
      ++tree_.folders;
    } else {
      ++tree_.files;
      tree_.bytes += item.size;
    }
    tree_.items.push_back(std::move(item));
    return "";
  }

  std::string ReadDirectory(const PendingDir& dir, std::vector<PendingDir>& children) {
    std::vector<std::uint8_t> buf(dir.record.length);
    if (!image_.ReadAt(dir.record.offset, buf.data(), buf.size())) return "cannot read the image";
    std::string where = dir.path.empty() ? "the root folder" : "folder " + PathText(dir.path);
    std::set<std::wstring> namesHere;
    bool pending = false;  // a multi-extent file whose last record has not come yet
    Item file;

    std::size_t pos = 0;
    while (pos < buf.size()) {
      std::size_t sectorEnd = std::min<std::size_t>(buf.size(), (pos / Sector + 1) * Sector);
      std::uint8_t recordLength = buf[pos];
      if (recordLength == 0) {  // the rest of this sector is padding
        pos = sectorEnd;
        continue;
      }
      // Records never cross a sector boundary; one that does is damage.
      if (recordLength < 34 || pos + recordLength > sectorEnd) return "a directory record in " + where + " is damaged";
      const std::uint8_t* r = &buf[pos];
      pos += recordLength;
      std::uint8_t nameLength = r[32];
      if (nameLength == 0 || 33u + nameLength > recordLength) return "a directory record in " + where + " is damaged";
      if (nameLength == 1 && (r[33] == 0 || r[33] == 1)) continue;  // "." and ".."
      Record rec = RecordAt(r);
      if (rec.flags & FlagAssociated) continue;  // resource forks and the like belong to no file here
      if (r[26] != 0 || r[27] != 0) return "interleaved files are not supported (in " + where + ")";
      bool isDir = (rec.flags & FlagDirectory) != 0;
      std::wstring name;
      if (std::string e = DecodeName(r + 33, nameLength, isDir, name); !e.empty()) return e + " in " + where;
      std::vector<std::wstring> path = dir.path;
      path.push_back(name);
      if (std::string why = standins::UnsafeNameReason(name); !why.empty()) {
        return "unsafe name \"" + standins::ToUtf8(name) + "\" in " + where + ": " + why;
      }

      if (isDir) {
        if (pending) return "multi-extent file " + PathText(file.path) + " is cut off by a folder";
        if (rec.flags & FlagMultiExtent) return "folder " + PathText(path) + " is marked as multi-extent";
        if (path.size() > static_cast<std::size_t>(standins::MaxFolderDepth)) {
          return "folders nest too deep at " + PathText(path);
        }
        if (std::string e = CheckDirectoryExtent(rec, path); !e.empty()) return e;
        // A folder whose extent was seen before would make the walk go round for ever.
        if (!visited_.insert(rec.lba).second) return "folder " + PathText(path) + " loops back to a folder seen before";
        Item item;
        item.isDirectory = true;
        item.path = path;
        if (std::string e = AddItem(std::move(item), namesHere); !e.empty()) return e;
        children.push_back({rec, std::move(path)});
        continue;
      }

      if (rec.length > 0 && !Within(rec.offset, rec.length)) {
        return "the data of " + PathText(path) + " lies past the end of the image (truncated image?)";
      }
      if (pending && path != file.path) return "multi-extent file " + PathText(file.path) + " is not continued";
      if (!pending) {
        file = Item();
        file.path = path;
      }
      if (rec.length > 0) file.extents.push_back({rec.offset, rec.length});
      file.size += rec.length;
      pending = (rec.flags & FlagMultiExtent) != 0;
      if (!pending) {
        if (std::string e = AddItem(std::move(file), namesHere); !e.empty()) return e;
      }
    }
    if (pending) return "multi-extent file " + PathText(file.path) + " ends without its last part";
    return "";
  }

  ImageReader& image_;
  Tree& tree_;
  bool joliet_;
  std::set<std::uint32_t> visited_;
};

bool IsJolietEscape(const std::uint8_t* d) {
  // Escape sequences %/@, %/C and %/E name the three UCS-2 levels.
  return d[88] == '%' && d[89] == '/' && (d[90] == '@' || d[90] == 'C' || d[90] == 'E');
}

}  // namespace

std::string PathText(const std::vector<std::wstring>& path) {
  std::wstring joined;
  for (const std::wstring& c : path) {
    if (!joined.empty()) joined += L'\\';
    joined += c;
  }
  return standins::ToUtf8(joined);
}

std::string ReadTree(ImageReader& image, Tree& tree) {
  tree = Tree();
  if (image.Size() < FirstDescriptor + Sector) return "the file is too small to be an ISO 9660 image";

  bool havePrimary = false;
  bool haveJoliet = false;
  Record primaryRoot;
  Record jolietRoot;
  std::uint8_t d[Sector];
  bool terminated = false;
  for (int i = 0; i < MaxDescriptors && !terminated; ++i) {
    std::uint64_t offset = FirstDescriptor + static_cast<std::uint64_t>(i) * Sector;
    if (offset + Sector > image.Size()) return "the volume descriptors run past the end of the image";
    if (!image.ReadAt(offset, d, Sector)) return "cannot read the image";
    if (std::memcmp(d + 1, "CD001", 5) != 0 || d[6] != 1) {
      return "volume descriptor " + std::to_string(i) + " is not an ISO 9660 descriptor";
    }
    switch (d[0]) {
      case 1:
      case 2: {
        if (d[0] == 2 && !IsJolietEscape(d)) break;  // another supplementary set: not ours to read
        if (Le16(d + 128) != Sector) return "only 2048-byte logical blocks are supported";
        const std::uint8_t* root = d + 156;
        if (root[0] != 34 || !(root[25] & FlagDirectory)) return "the root directory record is damaged";
        if (d[0] == 1 && !havePrimary) {
          primaryRoot = RecordAt(root);
          havePrimary = true;
        } else if (d[0] == 2 && !haveJoliet) {
          jolietRoot = RecordAt(root);
          haveJoliet = true;
        }
        break;
      }
      case 255:
        terminated = true;
        break;
      default:  // boot record, partition: nothing to extract
        break;
    }
  }
  if (!terminated) return "the volume descriptor set has no terminator";
  if (!havePrimary) return "the image has no primary volume descriptor";

  tree.joliet = haveJoliet;
  Walker walker(image, tree, haveJoliet);
  return walker.Walk(haveJoliet ? jolietRoot : primaryRoot);
}

}  // namespace iso
