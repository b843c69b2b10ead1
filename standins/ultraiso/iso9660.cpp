// ISO 9660 / Joliet directory walk with the checks that keep a hostile image from escaping the destination.
#include "iso9660.h"

#include <algorithm>
#include <cstring>
#include <set>
#include <utility>

#include "names.h"

namespace iso {

namespace {

constexpr std::uint32_t kSector = 2048;
constexpr std::uint64_t kFirstDescriptor = 16ull * kSector;
// Real images hold a handful of descriptors; a long run without a terminator is damage.
constexpr int kMaxDescriptors = 64;
constexpr std::size_t kMaxItems = 1000000;
constexpr std::uint32_t kMaxDirectoryBytes = 16u * 1024 * 1024;
// Room for the \\?\E:\ prefix below the 32767-character limit of Windows paths.
constexpr std::size_t kMaxPathChars = 32000;

// The hidden flag (0x01) is not looked at: hidden entries are extracted like the rest.
constexpr std::uint8_t kFlagDirectory = 0x02;
constexpr std::uint8_t kFlagAssociated = 0x04;
constexpr std::uint8_t kFlagMultiExtent = 0x80;

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
  rec.offset = (static_cast<std::uint64_t>(rec.lba) + r[1]) * kSector;
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
    if (rec.length > kMaxDirectoryBytes) return where + " has an implausibly large directory";
    if (!Within(rec.offset, rec.length)) return where + " lies past the end of the image (truncated image?)";
    return "";
  }

  std::string DecodeName(const std::uint8_t* raw, std::size_t n, bool is_dir, std::wstring& name) {
    name.clear();
    if (joliet_) {
      if (n % 2 != 0) return "a Joliet name has an odd byte length";
      for (std::size_t i = 0; i < n; i += 2) name += static_cast<wchar_t>((raw[i] << 8) | raw[i + 1]);
    } else {
      // Primary names are meant to be d-characters; anything else is taken as Latin-1.
      for (std::size_t i = 0; i < n; ++i) name += static_cast<wchar_t>(raw[i]);
    }
    if (!is_dir) {
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

  std::string AddItem(Item item, std::set<std::wstring>& names_here) {
    std::wstring folded = standins::AsciiLower(item.path.back());
    if (!names_here.insert(folded).second) {
      return "the name " + PathText(item.path) + " occurs twice in its folder (names on the stick ignore case)";
    }
    if (tree_.items.size() >= kMaxItems) return "the image holds implausibly many files";
    std::size_t chars = 0;
    for (const std::wstring& c : item.path) chars += c.size() + 1;
    if (chars > kMaxPathChars) return "a path in the image is too long: " + PathText(item.path);
    if (item.is_directory) {
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
    std::set<std::wstring> names_here;
    bool pending = false;  // a multi-extent file whose last record has not come yet
    Item file;

    std::size_t pos = 0;
    while (pos < buf.size()) {
      std::size_t sector_end = std::min<std::size_t>(buf.size(), (pos / kSector + 1) * kSector);
      std::uint8_t record_length = buf[pos];
      if (record_length == 0) {  // the rest of this sector is padding
        pos = sector_end;
        continue;
      }
      // Records never cross a sector boundary; one that does is damage.
      if (record_length < 34 || pos + record_length > sector_end) return "a directory record in " + where + " is damaged";
      const std::uint8_t* r = &buf[pos];
      pos += record_length;
      std::uint8_t name_length = r[32];
      if (name_length == 0 || 33u + name_length > record_length) return "a directory record in " + where + " is damaged";
      if (name_length == 1 && (r[33] == 0 || r[33] == 1)) continue;  // "." and ".."
      Record rec = RecordAt(r);
      if (rec.flags & kFlagAssociated) continue;  // resource forks and the like belong to no file here
      if (r[26] != 0 || r[27] != 0) return "interleaved files are not supported (in " + where + ")";
      bool is_dir = (rec.flags & kFlagDirectory) != 0;
      std::wstring name;
      if (std::string e = DecodeName(r + 33, name_length, is_dir, name); !e.empty()) return e + " in " + where;
      std::vector<std::wstring> path = dir.path;
      path.push_back(name);
      if (std::string why = standins::UnsafeNameReason(name); !why.empty()) {
        return "unsafe name \"" + standins::ToUtf8(name) + "\" in " + where + ": " + why;
      }

      if (is_dir) {
        if (pending) return "multi-extent file " + PathText(file.path) + " is cut off by a folder";
        if (rec.flags & kFlagMultiExtent) return "folder " + PathText(path) + " is marked as multi-extent";
        if (path.size() > static_cast<std::size_t>(standins::kMaxFolderDepth)) return "folders nest too deep at " + PathText(path);
        if (std::string e = CheckDirectoryExtent(rec, path); !e.empty()) return e;
        // A folder whose extent was seen before would make the walk go round for ever.
        if (!visited_.insert(rec.lba).second) return "folder " + PathText(path) + " loops back to a folder seen before";
        Item item;
        item.is_directory = true;
        item.path = path;
        if (std::string e = AddItem(std::move(item), names_here); !e.empty()) return e;
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
      pending = (rec.flags & kFlagMultiExtent) != 0;
      if (!pending) {
        if (std::string e = AddItem(std::move(file), names_here); !e.empty()) return e;
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
  if (image.Size() < kFirstDescriptor + kSector) return "the file is too small to be an ISO 9660 image";

  bool have_primary = false;
  bool have_joliet = false;
  Record primary_root;
  Record joliet_root;
  std::uint8_t d[kSector];
  bool terminated = false;
  for (int i = 0; i < kMaxDescriptors && !terminated; ++i) {
    std::uint64_t offset = kFirstDescriptor + static_cast<std::uint64_t>(i) * kSector;
    if (offset + kSector > image.Size()) return "the volume descriptors run past the end of the image";
    if (!image.ReadAt(offset, d, kSector)) return "cannot read the image";
    if (std::memcmp(d + 1, "CD001", 5) != 0 || d[6] != 1) {
      return "volume descriptor " + std::to_string(i) + " is not an ISO 9660 descriptor";
    }
    switch (d[0]) {
      case 1:
      case 2: {
        if (d[0] == 2 && !IsJolietEscape(d)) break;  // another supplementary set: not ours to read
        if (Le16(d + 128) != kSector) return "only 2048-byte logical blocks are supported";
        const std::uint8_t* root = d + 156;
        if (root[0] != 34 || !(root[25] & kFlagDirectory)) return "the root directory record is damaged";
        if (d[0] == 1 && !have_primary) {
          primary_root = RecordAt(root);
          have_primary = true;
        } else if (d[0] == 2 && !have_joliet) {
          joliet_root = RecordAt(root);
          have_joliet = true;
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
  if (!have_primary) return "the image has no primary volume descriptor";

  tree.joliet = have_joliet;
  Walker walker(image, tree, have_joliet);
  return walker.Walk(have_joliet ? joliet_root : primary_root);
}

}  // namespace iso
