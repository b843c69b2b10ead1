// Checks the resources compiled into the built USB.exe (named by USB_EXE): version record, icons, pictures.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <map>
#include <ostream>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "platform/handle_win.h"
#include "resource_ids.h"

namespace {

// Resource types by number: the RT_* macros follow UNICODE, these do not.
const LPCSTR kTypeBitmap = MAKEINTRESOURCEA(2);
const LPCSTR kTypeIcon = MAKEINTRESOURCEA(3);
const LPCSTR kTypeGroupIcon = MAKEINTRESOURCEA(14);
const LPCSTR kTypeVersion = MAKEINTRESOURCEA(16);
const LPCSTR kTypeManifest = MAKEINTRESOURCEA(24);

std::string ProgramPath() {
  const char* path = std::getenv("USB_EXE");
  return path ? path : "";
}

// USB.exe loaded as a data file: its resources can be read, none of its code runs.
class ProgramFile {
 public:
  ProgramFile() {
    const std::string path = ProgramPath();
    if (!path.empty()) module_.reset(LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
  }

  HMODULE get() const { return module_.get(); }

  // The bytes of one resource; empty when the file has no such resource.
  std::vector<uint8_t> Resource(LPCSTR type, int id) const {
    if (!module_) return {};
    HRSRC info = FindResourceA(module_.get(), MAKEINTRESOURCEA(id), type);
    if (!info) return {};
    HGLOBAL loaded = LoadResource(module_.get(), info);
    const DWORD size = SizeofResource(module_.get(), info);
    const auto* data = static_cast<const uint8_t*>(LockResource(loaded));
    if (!data) return {};
    return std::vector<uint8_t>(data, data + size);
  }

 private:
  platform::UniqueModule module_;
};

const ProgramFile& Program() {
  static const ProgramFile program;
  return program;
}

class ProgramResources : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(ProgramPath().empty()) << "USB_EXE must name the built USB.exe (a Windows path)";
    ASSERT_NE(Program().get(), nullptr) << "cannot open " << ProgramPath() << " as a data file";
  }
};

template <typename T>
T ReadAt(const std::vector<uint8_t>& bytes, size_t offset) {
  T value{};
  if (offset + sizeof(T) <= bytes.size()) std::memcpy(&value, bytes.data() + offset, sizeof(T));
  return value;
}

// ---------------------------------------------------------------------------
// The version record, as the shell's Properties dialog reads it.

class ProgramVersionRecord : public ProgramResources {
 protected:
  void SetUp() override {
    ProgramResources::SetUp();
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(ProgramPath().c_str(), &ignored);
    ASSERT_GT(size, 0u) << "no version record in " << ProgramPath();
    block_.resize(size);
    ASSERT_TRUE(GetFileVersionInfoA(ProgramPath().c_str(), 0, size, block_.data()));
  }

  // VerQueryValueA for a text field; false when the record has no such field.
  bool Text(const std::string& sub_block, std::string* out) {
    void* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(block_.data(), sub_block.c_str(), &value, &length) || !value) return false;
    *out = static_cast<const char*>(value);
    return true;
  }

  std::vector<uint8_t> block_;
};

TEST_F(ProgramVersionRecord, FixedPartIsVersionOneOfAnApplication) {
  void* value = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueA(block_.data(), "\\", &value, &length));
  ASSERT_EQ(length, sizeof(VS_FIXEDFILEINFO));
  const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
  EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
  // 1.0.0.0: major in the high word of MS, then minor, build, revision.
  EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
  EXPECT_EQ(fixed->dwFileVersionLS, 0x00000000u);
  EXPECT_EQ(fixed->dwProductVersionMS, 0x00010000u);
  EXPECT_EQ(fixed->dwProductVersionLS, 0x00000000u);
  EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));
  EXPECT_EQ(fixed->dwFileOS, static_cast<DWORD>(VOS__WINDOWS32));
  // Not a debug, patched or prerelease build.
  EXPECT_EQ(fixed->dwFileFlags & fixed->dwFileFlagsMask, 0u);
}

TEST_F(ProgramVersionRecord, OneTranslationEnglishUnitedStatesUnicode) {
  void* value = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueA(block_.data(), "\\VarFileInfo\\Translation", &value, &length));
  ASSERT_EQ(length, 4u) << "exactly one language and code-page pair";
  const auto* pair = static_cast<const WORD*>(value);
  EXPECT_EQ(pair[0], 0x0409);
  EXPECT_EQ(pair[1], 1200);
}

struct TextField {
  const char* name;
  const char* bytes;
};

// The fields as a user reads them in the file's properties, byte for byte.
const TextField kTextFields[] = {
    {"Comments", "Solvara USB versio"},
    {"CompanyName", "VKR"},
    {"FileDescription", "USB.exe"},
    {"FileVersion", "1.00"},
    {"InternalName", "USB"},
    {"OriginalFilename", "USB.exe"},
    {"ProductName", "Solvara USB-asennus"},
    {"ProductVersion", "1.00"},
};

TEST_F(ProgramVersionRecord, TextFieldsHaveTheirExactValues) {
  for (const TextField& field : kTextFields) {
    SCOPED_TRACE(field.name);
    std::string value;
    ASSERT_TRUE(Text(std::string("\\StringFileInfo\\040904B0\\") + field.name, &value));
    EXPECT_EQ(value, field.bytes);
  }
}

TEST_F(ProgramVersionRecord, FieldsNotInTheRecordAreAbsent) {
  // Guards against a template's leftovers (copyright lines, private-build notes).
  for (const char* name : {"LegalCopyright", "LegalTrademarks", "PrivateBuild", "SpecialBuild"}) {
    std::string value;
    EXPECT_FALSE(Text(std::string("\\StringFileInfo\\040904B0\\") + name, &value)) << name << ": " << value;
  }
}

// One node of the raw VS_VERSIONINFO tree: key, text value (for text nodes), children.
struct VersionNode {
  std::wstring key;
  std::wstring text;
  std::vector<VersionNode> children;
};

size_t Align4(size_t offset) { return (offset + 3) & ~static_cast<size_t>(3); }

// Reads the node at offset; returns false on a malformed tree.
bool ParseVersionNode(const std::vector<uint8_t>& raw, size_t offset, VersionNode* node, size_t* next) {
  const uint16_t length = ReadAt<uint16_t>(raw, offset);
  const uint16_t value_length = ReadAt<uint16_t>(raw, offset + 2);
  const uint16_t type = ReadAt<uint16_t>(raw, offset + 4);
  const size_t end = offset + length;
  if (length < 6 || end > raw.size()) return false;
  size_t at = offset + 6;
  for (wchar_t c; at + 2 <= end && (c = ReadAt<wchar_t>(raw, at)) != 0; at += 2) node->key += c;
  at = Align4(at + 2);
  // Text values count characters, binary values bytes.
  const size_t value_bytes = type == 1 ? 2u * value_length : value_length;
  if (type == 1) {
    for (size_t i = 0; i + 2 <= value_bytes; i += 2) {
      const wchar_t c = ReadAt<wchar_t>(raw, at + i);
      if (c == 0) break;
      node->text += c;
    }
  }
  at = Align4(at + value_bytes);
  while (at < end) {
    VersionNode child;
    size_t after = 0;
    if (!ParseVersionNode(raw, at, &child, &after) || after <= at) return false;
    node->children.push_back(std::move(child));
    at = Align4(after);
  }
  *next = end;
  return true;
}

TEST_F(ProgramVersionRecord, RawRecordHoldsOneStringTableWithExactlyTheEightFields) {
  // Read without VerQueryValue, from the UTF-16 record itself.
  const std::vector<uint8_t> raw = Program().Resource(kTypeVersion, 1);
  ASSERT_FALSE(raw.empty()) << "no version resource with ID 1";
  VersionNode root;
  size_t end = 0;
  ASSERT_TRUE(ParseVersionNode(raw, 0, &root, &end));
  EXPECT_EQ(root.key, L"VS_VERSION_INFO");

  const VersionNode* strings = nullptr;
  for (const VersionNode& child : root.children) {
    if (child.key == L"StringFileInfo") strings = &child;
  }
  ASSERT_NE(strings, nullptr);
  ASSERT_EQ(strings->children.size(), 1u) << "one language, one string table";
  EXPECT_EQ(strings->children[0].key, L"040904B0");

  std::map<std::wstring, std::wstring> found;
  for (const VersionNode& field : strings->children[0].children) found[field.key] = field.text;
  std::map<std::wstring, std::wstring> expected;
  for (const TextField& field : kTextFields) {
    const std::string name = field.name, bytes = field.bytes;  // all ASCII
    expected[std::wstring(name.begin(), name.end())] = std::wstring(bytes.begin(), bytes.end());
  }
  EXPECT_EQ(found, expected);
}

// ---------------------------------------------------------------------------
// Icons: the group directory, and each image it points to.

#pragma pack(push, 2)
struct GroupIconEntry {
  BYTE width;
  BYTE height;
  BYTE color_count;
  BYTE reserved;
  WORD planes;
  WORD bit_count;
  DWORD bytes_in_res;
  WORD id;
};
#pragma pack(pop)
static_assert(sizeof(GroupIconEntry) == 14, "GRPICONDIRENTRY is 14 bytes");

struct IconImage {
  int size;  // width, equal to the height
  int bpp;
  bool operator<(const IconImage& o) const { return std::tie(size, bpp) < std::tie(o.size, o.bpp); }
  bool operator==(const IconImage& o) const { return size == o.size && bpp == o.bpp; }
};

void PrintTo(const IconImage& image, std::ostream* os) { *os << image.size << "px/" << image.bpp << "bpp"; }

class ProgramIcons : public ProgramResources {
 protected:
  // The entries of a group icon, each checked against the image it names.
  std::vector<IconImage> Images(int group_id) {
    std::vector<IconImage> images;
    const std::vector<uint8_t> dir = Program().Resource(kTypeGroupIcon, group_id);
    if (dir.size() < 6) {
      ADD_FAILURE() << "no group icon " << group_id;
      return images;
    }
    EXPECT_EQ(ReadAt<WORD>(dir, 0), 0);
    EXPECT_EQ(ReadAt<WORD>(dir, 2), 1) << "type 1: icons, not cursors";
    const WORD count = ReadAt<WORD>(dir, 4);
    EXPECT_EQ(dir.size(), 6u + count * sizeof(GroupIconEntry));
    for (WORD i = 0; i < count; ++i) {
      const auto entry = ReadAt<GroupIconEntry>(dir, 6 + i * sizeof(GroupIconEntry));
      const int width = entry.width ? entry.width : 256;
      const int height = entry.height ? entry.height : 256;
      SCOPED_TRACE(testing::Message() << "group " << group_id << ", image " << entry.id);
      EXPECT_EQ(width, height);
      EXPECT_EQ(entry.planes, 1);
      // 16-colour images say so; the byte cannot say 256, so 8-bit and deeper say 0.
      EXPECT_EQ(entry.color_count, entry.bit_count == 4 ? 16 : 0);
      CheckImage(entry, width);
      images.push_back({width, entry.bit_count});
    }
    std::sort(images.begin(), images.end());
    return images;
  }

  // The image itself: a DIB of the stated size and depth (height doubled for the AND mask)
  // that the system can turn into an icon.
  void CheckImage(const GroupIconEntry& entry, int size) {
    std::vector<uint8_t> image = Program().Resource(kTypeIcon, entry.id);
    ASSERT_FALSE(image.empty()) << "the group names a missing image";
    EXPECT_EQ(image.size(), entry.bytes_in_res);
    const auto header = ReadAt<BITMAPINFOHEADER>(image, 0);
    EXPECT_EQ(header.biSize, sizeof(BITMAPINFOHEADER));
    EXPECT_EQ(header.biWidth, size);
    EXPECT_EQ(header.biHeight, 2 * size);
    EXPECT_EQ(header.biBitCount, entry.bit_count);
    EXPECT_EQ(header.biCompression, static_cast<DWORD>(BI_RGB));
    const size_t palette = header.biBitCount <= 8 ? (4u << header.biBitCount) : 0;
    const size_t xor_bytes = ((size * header.biBitCount + 31) / 32) * 4 * size;
    const size_t and_bytes = ((size + 31) / 32) * 4 * size;
    EXPECT_EQ(image.size(), header.biSize + palette + xor_bytes + and_bytes);

    HICON icon = CreateIconFromResourceEx(image.data(), static_cast<DWORD>(image.size()), TRUE,
                                          0x00030000, size, size, LR_DEFAULTCOLOR);
    ASSERT_NE(icon, nullptr) << "the system cannot read the image";
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(icon, &info));
    BITMAP mask{};
    GetObjectA(info.hbmMask, sizeof(mask), &mask);
    EXPECT_EQ(mask.bmWidth, size);
    if (info.hbmColor) DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    DestroyIcon(icon);
  }
};

TEST_F(ProgramIcons, DriveIconHasNineImagesThreeSizesInThreeDepths) {
  const std::vector<IconImage> expected = {
      {16, 4}, {16, 8}, {16, 32}, {32, 4}, {32, 8}, {32, 32}, {48, 4}, {48, 8}, {48, 32},
  };
  EXPECT_EQ(Images(IDI_DRIVE), expected);
}

TEST_F(ProgramIcons, HelpIconHasSixImagesFromSixteenToFortyEight) {
  const std::vector<IconImage> images = Images(IDI_HELP);
  ASSERT_EQ(images.size(), 6u);
  EXPECT_EQ(images.front().size, 16);
  EXPECT_EQ(images.back().size, 48);
  // The help picture is shown at 32 x 32: that size must be there, not scaled from another.
  EXPECT_TRUE(std::any_of(images.begin(), images.end(), [](const IconImage& i) { return i.size == 32; }));
  EXPECT_EQ(std::set<IconImage>(images.begin(), images.end()).size(), images.size()) << "no duplicates";
}

BOOL CALLBACK CollectGroupIcon(HMODULE, LPCSTR, LPSTR name, LONG_PTR out) {
  auto* ids = reinterpret_cast<std::vector<int>*>(out);
  ids->push_back(IS_INTRESOURCE(name) ? static_cast<int>(reinterpret_cast<ULONG_PTR>(name)) : -1);
  return TRUE;
}

TEST_F(ProgramIcons, DriveIconComesFirstSoTheShellShowsItForTheFile) {
  std::vector<int> ids;
  EnumResourceNamesA(Program().get(), kTypeGroupIcon, CollectGroupIcon, reinterpret_cast<LONG_PTR>(&ids));
  ASSERT_FALSE(ids.empty());
  EXPECT_EQ(ids.front(), IDI_DRIVE);
}

// ---------------------------------------------------------------------------
// The pictures, shown unstretched: their sizes are the controls' sizes.

struct Picture {
  const char* name;
  int id;
  int width;
  int height;
};

const Picture kPictures[] = {
    {"logo", IDB_LOGO, 85, 47},
    {"free-space note", IDB_IMAGE2, 441, 54},
    {"instructions", IDB_IMAGE3, 441, 54},
};

class ProgramPictures : public ProgramResources {};

TEST_F(ProgramPictures, EachIsAnUncompressedBottomUp24BitBitmapOfItsExactSize) {
  for (const Picture& picture : kPictures) {
    SCOPED_TRACE(picture.name);
    const std::vector<uint8_t> dib = Program().Resource(kTypeBitmap, picture.id);
    ASSERT_GE(dib.size(), sizeof(BITMAPINFOHEADER));
    const auto header = ReadAt<BITMAPINFOHEADER>(dib, 0);
    EXPECT_EQ(header.biSize, sizeof(BITMAPINFOHEADER));
    EXPECT_EQ(header.biWidth, picture.width);
    EXPECT_EQ(header.biHeight, picture.height) << "positive: rows bottom-up";
    EXPECT_EQ(header.biPlanes, 1);
    EXPECT_EQ(header.biBitCount, 24);
    EXPECT_EQ(header.biCompression, static_cast<DWORD>(BI_RGB));
    const size_t stride = (picture.width * 3 + 3) & ~3;
    EXPECT_EQ(dib.size(), sizeof(BITMAPINFOHEADER) + stride * picture.height) << "no palette, all rows";
  }
}

TEST_F(ProgramPictures, EachLoadsAsABitmapOfItsSizeAndIsNotBlank) {
  for (const Picture& picture : kPictures) {
    SCOPED_TRACE(picture.name);
    HANDLE loaded = LoadImageA(Program().get(), MAKEINTRESOURCEA(picture.id), IMAGE_BITMAP, 0, 0,
                               LR_CREATEDIBSECTION);
    ASSERT_NE(loaded, nullptr);
    auto* bitmap = static_cast<HBITMAP>(loaded);
    DIBSECTION section{};
    ASSERT_EQ(GetObjectA(bitmap, sizeof(section), &section), static_cast<int>(sizeof(section)));
    EXPECT_EQ(section.dsBm.bmWidth, picture.width);
    EXPECT_EQ(section.dsBm.bmHeight, picture.height);
    // A picture drawn in one colour only would be an empty rectangle in the window.
    const auto* bits = static_cast<const uint8_t*>(section.dsBm.bmBits);
    ASSERT_NE(bits, nullptr);
    std::set<uint32_t> colours;
    for (int y = 0; y < picture.height && colours.size() < 2; ++y) {
      const uint8_t* row = bits + y * section.dsBm.bmWidthBytes;
      for (int x = 0; x < picture.width; ++x) colours.insert(row[3 * x] | row[3 * x + 1] << 8 | row[3 * x + 2] << 16);
    }
    EXPECT_GE(colours.size(), 2u);
    DeleteObject(bitmap);
  }
}

TEST_F(ProgramPictures, TextPicturesAreDarkTextOnWhite) {
  for (const Picture& picture : kPictures) {
    if (picture.id == IDB_LOGO) continue;
    SCOPED_TRACE(picture.name);
    const std::vector<uint8_t> dib = Program().Resource(kTypeBitmap, picture.id);
    ASSERT_GE(dib.size(), sizeof(BITMAPINFOHEADER) + 3u);
    const size_t stride = (picture.width * 3 + 3) & ~3;
    size_t white = 0, dark = 0;
    for (int y = 0; y < picture.height; ++y) {
      for (int x = 0; x < picture.width; ++x) {
        const uint8_t* p = dib.data() + sizeof(BITMAPINFOHEADER) + y * stride + 3 * x;
        if (p[0] == 255 && p[1] == 255 && p[2] == 255) ++white;
        if (p[0] < 64 && p[1] < 64 && p[2] < 64) ++dark;
      }
    }
    const size_t total = static_cast<size_t>(picture.width) * picture.height;
    EXPECT_GT(white, total / 2) << "white background";
    EXPECT_GT(dark, 0u) << "black text";
  }
}

// ---------------------------------------------------------------------------

// The manifest: administrator rights, asked for once at start, DPI awareness, and nothing that
// changes the look.

std::string ManifestText() {
  const std::vector<uint8_t> bytes = Program().Resource(kTypeManifest, 1);
  return std::string(bytes.begin(), bytes.end());
}

// The value of an attribute of the first element of that name; empty when there is none.
std::string Attribute(const std::string& xml, const std::string& element, const std::string& attribute) {
  const size_t start = xml.find("<" + element);
  if (start == std::string::npos) return {};
  const size_t end = xml.find('>', start);
  const std::string tag = xml.substr(start, end - start);
  for (const char quote : {'"', '\''}) {
    const size_t at = tag.find(" " + attribute + "=" + quote);
    if (at == std::string::npos) continue;
    const size_t from = at + attribute.size() + 3;
    return tag.substr(from, tag.find(quote, from) - from);
  }
  return {};
}

TEST_F(ProgramResources, ManifestRequiresAdministratorRights) {
  const std::string xml = ManifestText();
  ASSERT_FALSE(xml.empty()) << "no manifest with ID 1, the one a program is started with";
  EXPECT_EQ(Attribute(xml, "requestedExecutionLevel", "level"), "requireAdministrator");
  EXPECT_EQ(Attribute(xml, "requestedExecutionLevel", "uiAccess"), "false");
  // Only ID 1 is read for a program; another would be a mistake.
  for (int id : {2, 3}) EXPECT_TRUE(Program().Resource(kTypeManifest, id).empty()) << "manifest " << id;
}

TEST_F(ProgramResources, SystemReadsTheManifestAsRequireAdministratorWithNoDependency) {
  // The system's own reading of the manifest, through an activation context made from it.
  const std::string path = ProgramPath();
  ACTCTXA request{};
  request.cbSize = sizeof request;
  request.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
  request.lpSource = path.c_str();
  request.lpResourceName = MAKEINTRESOURCEA(1);
  HANDLE context = CreateActCtxA(&request);
  ASSERT_NE(context, INVALID_HANDLE_VALUE) << "the system cannot read the manifest: " << GetLastError();

  ACTIVATION_CONTEXT_RUN_LEVEL_INFORMATION runLevel{};
  SIZE_T needed = 0;
  ASSERT_TRUE(QueryActCtxW(0, context, nullptr, RunlevelInformationInActivationContext, &runLevel,
                           sizeof runLevel, &needed));
  EXPECT_EQ(runLevel.RunLevel, ACTCTX_RUN_LEVEL_REQUIRE_ADMIN);
  EXPECT_EQ(runLevel.UiAccess, 0u);

  // One assembly, the program itself: no common-controls 6 or other dependency.
  needed = 0;
  QueryActCtxW(0, context, nullptr, ActivationContextDetailedInformation, nullptr, 0, &needed);
  std::vector<uint8_t> detail(needed);
  ASSERT_TRUE(QueryActCtxW(0, context, nullptr, ActivationContextDetailedInformation, detail.data(),
                           detail.size(), &needed));
  EXPECT_EQ(reinterpret_cast<const ACTIVATION_CONTEXT_DETAILED_INFORMATION*>(detail.data())->ulAssemblyCount, 1u);
  ReleaseActCtx(context);
}

// The window lays itself out from twips at the screen's DPI, so the manifest says it is DPI-aware,
// system-wide, once: Windows then neither lays it out at 96 dpi nor stretches its bitmap.
// Visual styles would change the controls' metrics and colours; awareness per monitor would ask
// the window to lay itself out again on a screen of another DPI, and GDI scaling is for programs
// that are not aware.
TEST_F(ProgramResources, ManifestSaysDpiAwareAndAsksForNothingThatChangesTheLook) {
  std::string xml = ManifestText();
  ASSERT_FALSE(xml.empty());
  const std::string entry = "<dpiAware>true</dpiAware>";
  EXPECT_NE(xml.find(entry), std::string::npos);
  EXPECT_EQ(xml.find(entry), xml.rfind(entry)) << "stated more than once";
  std::transform(xml.begin(), xml.end(), xml.begin(), [](char c) { return static_cast<char>(std::tolower(c)); });
  for (const char* word : {"<dependency", "common-controls", "dpiawareness", "gdiscaling", "permonitor"})
    EXPECT_EQ(xml.find(word), std::string::npos) << word;
}

}  // namespace
