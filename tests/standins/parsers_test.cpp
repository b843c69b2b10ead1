// Host-built tests of the stand-ins' platform-free parsers: drive arguments, file-name safety, URLs and HTTP,
// the sandbox marker, and FAT32's limits on an image's tree.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "fat32.h"
#include "http.h"
#include "iso9660.h"
#include "marker.h"
#include "names.h"
#include "url.h"

namespace {

TEST(DriveArg, OnlyOneLetterAndAColonNameADrive) {
  struct Case { std::wstring arg; wchar_t letter; };
  const std::vector<Case> cases = {
      {L"E:", L'E'}, {L"e:", L'E'}, {L"Z:", L'Z'}, {L"EF:", 0}, {L"E", 0}, {L"E:\\", 0},
      {L"1:", 0},    {L":", 0},     {L"", 0},      {L" E:", 0}, {L"\u00c4:", 0},
  };
  for (const Case& c : cases) EXPECT_EQ(standins::DriveLetterFromArg(c.arg), c.letter) << standins::ToUtf8(c.arg);
}

TEST(NameSafety, RefusesWhatCouldLeaveTheFolderOrBecomeADevice) {
  const std::vector<std::wstring> safe = {L"readme.txt", L"\u00c4\u00e4kk\u00f6set.txt", L"a..b", L".hidden",
                                          L"com10", L"console.txt", L"x;1"};
  const std::vector<std::wstring> unsafe = {L"",      L".",        L"..",      L"a/b",   L"a\\b", L"c:x",
                                            L"x\x01", L"x\x7f",    L"con",     L"CON.txt", L"com1", L"lpt9.log",
                                            L"nul ",  L"trail.",   L"trail ",  L"a*b",   L"a?b",  L"a|b"};
  for (const auto& n : safe) EXPECT_EQ(standins::UnsafeNameReason(n), "") << standins::ToUtf8(n);
  for (const auto& n : unsafe) EXPECT_NE(standins::UnsafeNameReason(n), "") << standins::ToUtf8(n);
}

TEST(Text, Utf8RoundTripsAndKeepsStrayBytes) {
  EXPECT_EQ(standins::ToUtf8(L"\u00e4\u00f6 \u00a9"), "\xc3\xa4\xc3\xb6 \xc2\xa9");
  EXPECT_EQ(standins::FromUtf8("\xc3\xa4\xc3\xb6"), L"\u00e4\u00f6");
  EXPECT_EQ(standins::FromUtf8("a\xff" "b"), std::wstring(L"a\u00ff" L"b"));  // not UTF-8: taken as Latin-1
  EXPECT_EQ(standins::FromUtf8("\xc3"), L"\u00c3");                          // cut off in the middle
}

TEST(Url, ParsesHttpUrls) {
  struct Case { std::string text; bool ok; std::string host; int port; std::string target; };
  const std::vector<Case> cases = {
      {"http://lataus.vakkura.example/files/x.iso", true, "lataus.vakkura.example", 80, "/files/x.iso"},
      {"http://h:8080", true, "h", 8080, "/"},
      {"HTTP://h?q=1", true, "h", 80, "/?q=1"},
      {"http://[::1]:81/x", true, "::1", 81, "/x"},
      {"http://user:pw@h/x", true, "h", 80, "/x"},
      {"http://h/a b", true, "h", 80, "/a%20b"},
      {"http://h/x#part", true, "h", 80, "/x"},
      {"http://h/a/./b/../c", true, "h", 80, "/a/c"},
      {"http://:80/", false, "", 0, ""},
      {"http://h:0/", false, "", 0, ""},
      {"http://h:65536/", false, "", 0, ""},
      {"http://h:8x/", false, "", 0, ""},
      {"http:/h/", false, "", 0, ""},
      {"h/x", false, "", 0, ""},
  };
  for (const Case& c : cases) {
    auto url = web::ParseHttpUrl(c.text);
    ASSERT_EQ(url.has_value(), c.ok) << c.text;
    if (!url) continue;
    EXPECT_EQ(url->host, c.host) << c.text;
    EXPECT_EQ(url->port, c.port) << c.text;
    EXPECT_EQ(url->target, c.target) << c.text;
  }
  bool other = false;
  EXPECT_FALSE(web::ParseHttpUrl("https://h/", &other));
  EXPECT_TRUE(other);
  EXPECT_EQ(web::ParseHttpUrl("http://[::1]:81/x")->Absolute(), "http://[::1]:81/x");
  EXPECT_EQ(web::ParseHttpUrl("http://h:80/x")->HostHeader(), "h");
}

TEST(Url, ResolvesRedirectTargets) {
  web::Url base = *web::ParseHttpUrl("http://h:81/dir/sub/file?q");
  struct Case { std::string location; std::string absolute; };
  const std::vector<Case> cases = {
      {"/abs", "http://h:81/abs"},
      {"rel", "http://h:81/dir/sub/rel"},
      {"../2/x", "http://h:81/dir/2/x"},
      {"../../../../x", "http://h:81/x"},
      {"?z", "http://h:81/dir/sub/file?z"},
      {"//other/x", "http://other/x"},
      {"http://o:82/y", "http://o:82/y"},
      {"rel#frag", "http://h:81/dir/sub/rel"},
  };
  for (const Case& c : cases) {
    auto url = web::Resolve(base, c.location);
    ASSERT_TRUE(url) << c.location;
    EXPECT_EQ(url->Absolute(), c.absolute) << c.location;
  }
  bool other = false;
  EXPECT_FALSE(web::Resolve(base, "https://o/", &other));
  EXPECT_TRUE(other);
  EXPECT_FALSE(web::Resolve(base, ""));
}

TEST(Url, ReadsProxySettings) {
  auto p = web::ParseProxy("http://127.0.0.1:3128/");
  ASSERT_TRUE(p);
  EXPECT_EQ(p->host, "127.0.0.1");
  EXPECT_EQ(p->port, 3128);
  p = web::ParseProxy("proxy.example:8080");
  ASSERT_TRUE(p);
  EXPECT_EQ(p->host, "proxy.example");
  EXPECT_EQ(p->port, 8080);
  EXPECT_FALSE(web::ParseProxy(""));
  EXPECT_FALSE(web::ParseProxy("http://:1/"));

  struct Case { std::string host, list; bool exempt; };
  const std::vector<Case> cases = {
      {"a.example", "a.example", true},     {"x.a.example", ".a.example", true},
      {"x.a.example", "a.example", true},   {"xa.example", "a.example", false},
      {"h", "*", true},                     {"h", "", false},
      {"H.Example", "other, h.example", true},
  };
  for (const Case& c : cases) EXPECT_EQ(web::ExemptFromProxy(c.host, c.list), c.exempt) << c.host << " / " << c.list;
}

TEST(Url, ChoosesTheLocalFileNameAsWgetDoes) {
  struct Case { std::string url, name; };
  const std::vector<Case> cases = {
      {"http://h/files/solvara-vkr-live-dvd.iso", "solvara-vkr-live-dvd.iso"},
      {"http://h/", "index.html"},
      {"http://h/dir/", "index.html"},
      {"http://h/a%20b.iso", "a b.iso"},
      {"http://h/x?y=1", "x@y=1"},
      {"http://h/%2e%2e", "index.html"},
      {"http://h/a%2Fb", "a%2Fb"},
      {"http://h/..%5Cb", "..%5Cb"},
      {"http://h/c%3A", "c%3A"},
      {"http://h/%00x", "%00x"},
  };
  for (const Case& c : cases) EXPECT_EQ(web::LocalFileName(*web::ParseHttpUrl(c.url)), c.name) << c.url;
}

TEST(Http, ParsesResponseHeads) {
  auto head = web::ParseResponseHead("HTTP/1.1 200 OK\r\nContent-Length: 5\r\nX-Long: a\r\n  b\r\n\r\n");
  ASSERT_TRUE(head);
  EXPECT_EQ(head->status, 200);
  EXPECT_EQ(head->reason, "OK");
  EXPECT_EQ(*head->Header("content-length"), "5");
  EXPECT_EQ(*head->Header("X-LONG"), "a b");
  head = web::ParseResponseHead("HTTP/1.0 404\nServer: x\n\n");
  ASSERT_TRUE(head);
  EXPECT_EQ(head->status, 404);
  for (const char* bad : {"HTTP/1.1 20 OK\r\n\r\n", "garbage\r\n\r\n", "HTTP/1.1 200 OK\r\nNoColon\r\n\r\n",
                          "HTTP/1.1 200 OK\r\nName : v\r\n\r\n", "HTTP/1.1 2000 OK\r\n\r\n", ""}) {
    EXPECT_FALSE(web::ParseResponseHead(bad)) << bad;
  }
  EXPECT_EQ(web::FindHeadEnd("HTTP/1.1 200 OK\r\nA: b\r\n\r\nBODY"), 25u);
  EXPECT_EQ(web::FindHeadEnd("HTTP/1.1 200 OK\nA: b\n\nBODY"), 22u);
  EXPECT_EQ(web::FindHeadEnd("HTTP/1.1 200 OK\r\nA: b\r\n"), std::string::npos);
}

TEST(Http, ReadsBodyFraming) {
  struct Case { std::vector<std::string> lengths; bool present; bool bad; std::uint64_t value; };
  const std::vector<Case> cases = {
      {{"5"}, true, false, 5},
      {{"5, 5"}, true, false, 5},
      {{"5", "5"}, true, false, 5},
      {{"5, 6"}, false, true, 0},
      {{"5", "6"}, false, true, 0},
      {{"-1"}, false, true, 0},
      {{"99999999999999999999"}, false, true, 0},
      {{"4294967296000"}, true, false, 4294967296000ull},
      {{}, false, false, 0},
  };
  for (const Case& c : cases) {
    web::ResponseHead head;
    for (const auto& v : c.lengths) head.headers.emplace_back("Content-Length", v);
    bool bad = false;
    auto length = head.ContentLength(&bad);
    EXPECT_EQ(length.has_value(), c.present);
    EXPECT_EQ(bad, c.bad);
    if (length) {
      EXPECT_EQ(*length, c.value);
    }
  }
  struct Coding { std::string value; bool chunked; };
  for (const Coding& c : std::vector<Coding>{{"chunked", true}, {"gzip, chunked", true}, {"Chunked", true},
                                             {"chunked, gzip", false}, {"identity", false}}) {
    web::ResponseHead head;
    head.headers.emplace_back("Transfer-Encoding", c.value);
    EXPECT_EQ(head.IsChunked(), c.chunked) << c.value;
  }
  web::ResponseHead ranged;
  ranged.headers.emplace_back("Content-Range", "bytes 100-199/200");
  EXPECT_EQ(*ranged.RangeStart(), 100u);
}

TEST(Http, DecodesChunkedBodiesHoweverTheyArrive) {
  using State = web::ChunkDecoder::State;
  struct Case { std::string wire; std::string data; State state; };
  const std::vector<Case> cases = {
      {"5\r\nhello\r\n0\r\n\r\n", "hello", State::Done},
      {"5;name=v\r\nhello\r\n6\r\n world\r\n0\r\n\r\n", "hello world", State::Done},
      {"A\r\n0123456789\r\n0\r\nX-Trailer: t\r\n\r\nignored", "0123456789", State::Done},
      {"3\nabc\n0\n\n", "abc", State::Done},
      {"5\r\nhel", "hel", State::More},
      {"zz\r\n", "", State::Error},
      {"5\r\nhelloX\r\n", "hello", State::Error},
      {"1111111111111111\r\n", "", State::Error},
      {"\r\n", "", State::Error},
  };
  for (const Case& c : cases) {
    web::ChunkDecoder whole;
    std::string out;
    EXPECT_EQ(whole.Feed(c.wire.data(), c.wire.size(), out), c.state) << c.wire;
    EXPECT_EQ(out, c.data) << c.wire;
    web::ChunkDecoder bytewise;  // the same bytes one at a time, as a slow network gives them
    std::string out2;
    State state = State::More;
    for (char ch : c.wire) state = bytewise.Feed(&ch, 1, out2);
    EXPECT_EQ(state, c.state) << c.wire;
    EXPECT_EQ(out2, c.data) << c.wire;
  }
}

TEST(Marker, ReadsFileSystemAndCapacity) {
  struct Case { std::string text; bool ok; std::string fs; long long capacity; bool fat32; };
  const std::vector<Case> cases = {
      {"This folder is a VKR sandbox stick: the stand-in tools may erase it.\n", true, "", -1, false},
      {"", true, "", -1, false},
      {"prose\nfile-system: FAT32\ncapacity: 8000000000\n", true, "FAT32", 8000000000LL, true},
      {"File-System:fat32\r\nCAPACITY:  1048576 \r\n", true, "fat32", 1048576, true},
      {"file-system: NTFS\n", true, "NTFS", -1, false},
      {"note: the stick: not a fact\n", true, "", -1, false},  // prose with a colon
      {"capacity: 8 GB\n", false, "", -1, false},
      {"capacity: -1\n", false, "", -1, false},
      {"capacity:\n", false, "", -1, false},
      {"capacity: 99999999999999999999\n", false, "", -1, false},  // more than 64 bits
  };
  for (const Case& c : cases) {
    standins::MarkerFacts facts;
    EXPECT_EQ(standins::ReadMarkerFacts(c.text, facts).empty(), c.ok) << c.text;
    if (!c.ok) continue;
    EXPECT_EQ(facts.fileSystem, c.fs) << c.text;
    EXPECT_EQ(facts.capacity.has_value() ? static_cast<long long>(*facts.capacity) : -1, c.capacity) << c.text;
    EXPECT_EQ(standins::IsFat32(facts), c.fat32) << c.text;
  }
}

TEST(Marker, WritesOneFactLineAndKeepsTheRest) {
  struct Case { std::string before; std::string after; };
  const std::vector<Case> cases = {
      {"", "file-system: FAT32\n"},
      {"prose\n", "prose\nfile-system: FAT32\n"},
      {"prose", "prose\nfile-system: FAT32\n"},
      {"prose\ncapacity: 5\n", "prose\ncapacity: 5\nfile-system: FAT32\n"},
      {"file-system: NTFS\ncapacity: 5\n", "file-system: FAT32\ncapacity: 5\n"},
      {"prose\r\nFile-System: none\r\n", "prose\r\nfile-system: FAT32\r\n"},
      {"file-system: A\nfile-system: B\n", "file-system: FAT32\n"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(standins::WithMarkerFact(c.before, "file-system", "FAT32"), c.after) << c.before;
  }
}

iso::Item FileItem(std::vector<std::wstring> path, std::uint64_t size) {
  iso::Item item;
  item.path = std::move(path);
  item.size = size;
  return item;
}

iso::Item FolderItem(std::vector<std::wstring> path) {
  iso::Item item;
  item.isDirectory = true;
  item.path = std::move(path);
  return item;
}

iso::Tree TreeOf(std::vector<iso::Item> items) {
  iso::Tree tree;
  tree.items = std::move(items);
  return tree;
}

TEST(Fat32, RefusesWhatFat32CannotHoldAndTakesWhatItCan) {
  const std::uint64_t k4GiB = 4ull * 1024 * 1024 * 1024;
  // "E:\" and the path, 259 characters at most: a 200-character folder, "\", and a 55-character name.
  const std::wstring folder(200, L'd');
  struct Case { const char* what; iso::Tree tree; bool ok; const char* says; };
  const std::vector<Case> cases = {
      {"4 GiB - 1 bytes", TreeOf({FileItem({L"big.bin"}, k4GiB - 1)}), true, ""},
      {"4 GiB", TreeOf({FileItem({L"big.bin"}, k4GiB)}), false, "4 GiB - 1"},
      {"9 GiB deep down", TreeOf({FolderItem({L"a"}), FileItem({L"a", L"huge.iso"}, 9 * k4GiB / 4)}), false, "a\\huge.iso"},
      {"a 4 GiB folder is no file", TreeOf({[] { iso::Item f = FolderItem({L"dir"}); f.size = 1ull << 33; return f; }()}), true, ""},
      {"name of 255", TreeOf({FileItem({std::wstring(255, L'n')}, 1)}), true, ""},
      {"name of 256", TreeOf({FileItem({std::wstring(256, L'n')}, 1)}), false, "at most 255"},
      {"path of 259", TreeOf({FolderItem({folder}), FileItem({folder, std::wstring(55, L'f')}, 1)}), true, ""},
      {"path of 260", TreeOf({FolderItem({folder}), FileItem({folder, std::wstring(56, L'f')}, 1)}), false, "at most 259"},
      {"long folder of 260", TreeOf({FolderItem({folder}), FolderItem({folder, std::wstring(56, L'g')})}), false, "at most 259"},
  };
  for (const Case& c : cases) {
    std::string problem = fat32::Problem(c.tree);
    EXPECT_EQ(problem.empty(), c.ok) << c.what << ": " << problem;
    EXPECT_NE(problem.find(c.says), std::string::npos) << c.what << ": " << problem;
  }
}

TEST(Fat32, AFolderHoldsAtMost65536Entries) {
  // "." and ".." plus 65534 short names fill a folder; one more is too many.
  for (std::size_t names : {65534u, 65535u}) {
    std::vector<iso::Item> items = {FolderItem({L"MANY"})};
    for (std::size_t i = 0; i < names; ++i) items.push_back(FileItem({L"MANY", L"F" + std::to_wstring(i)}, 0));
    std::string problem = fat32::Problem(TreeOf(items));
    EXPECT_EQ(problem.empty(), names == 65534u) << names << ": " << problem;
  }
  // A long name of 26 characters takes three entries: 21845 of them need 65535 + 2.
  std::vector<iso::Item> items = {FolderItem({L"long"})};
  for (std::size_t i = 0; i < 21845; ++i) {
    std::wstring name = std::to_wstring(100000 + i) + L"-lower-case-name-xxxx";  // 26 units
    items.push_back(FileItem({L"long", name}, 0));
  }
  EXPECT_NE(fat32::Problem(TreeOf(items)), "");
}

TEST(Fat32, CountsDirectoryEntriesAsFatStoresNames) {
  struct Case { std::wstring name; std::size_t entries; };
  const std::vector<Case> cases = {
      {L"README", 1}, {L"BOOTX64.EFI", 1}, {L"VMLINUZ", 1}, {L"A~1.TXT", 1},
      {L"readme", 2},                      // lower case needs a long name
      {L"NINECHARS", 2}, {L"A.HTML", 2}, {L"A.B.C", 2}, {L"A B", 2}, {L"A.", 2},
      {L"Solvara-linux 7.10 release notes and installation guide.txt", 1 + 5},  // 62 units
      {std::wstring(13, L'x'), 2}, {std::wstring(14, L'x'), 3}, {std::wstring(255, L'x'), 21},
  };
  for (const Case& c : cases) EXPECT_EQ(fat32::DirectoryEntries(c.name), c.entries) << standins::ToUtf8(c.name);
}

TEST(Fat32, SpaceNeededInWholeClusters) {
  // Worked by hand for 4096-byte clusters:
  //   files: A.TXT 1 -> 4096, B.BIN 4096 -> 4096, c.bin 4097 -> 8192, EMPTY 0 -> 0, DOCS\... 10 -> 4096
  //   root: A.TXT, B.BIN, EMPTY, DOCS one entry each, c.bin two: 6 x 32 bytes -> 4096
  //   DOCS: ".", "..", and a 14-character long name (three entries): 5 x 32 bytes -> 4096
  iso::Tree tree = TreeOf({FileItem({L"A.TXT"}, 1), FileItem({L"B.BIN"}, 4096), FileItem({L"c.bin"}, 4097),
                           FileItem({L"EMPTY"}, 0), FolderItem({L"DOCS"}),
                           FileItem({L"DOCS", L"Pitk\u00e4 nimi.txt"}, 10)});
  EXPECT_EQ(fat32::BytesNeeded(tree, 4096), 20480u + 8192u);
  // With 512-byte clusters: files 512 + 4096 + 4608 + 0 + 512, root 192 -> 512, DOCS 160 -> 512.
  EXPECT_EQ(fat32::BytesNeeded(tree, 512), 9728u + 1024u);
}

TEST(Fat32, ClusterSizeAndUsableSpaceOfAVolume) {
  const std::uint64_t MiB = 1024 * 1024, GiB = 1024 * MiB;
  struct Case { std::uint64_t volume; std::uint32_t cluster; };
  const std::vector<Case> cases = {{32 * MiB, 512},     {100 * MiB, 1024},      {200 * MiB, 2048},
                                   {8000000000, 4096},  {8 * GiB, 4096},        {8 * GiB + 1, 8192},
                                   {16 * GiB, 8192},    {31 * GiB, 16384},      {64 * GiB, 32768}};
  for (const Case& c : cases) EXPECT_EQ(fat32::DefaultClusterBytes(c.volume), c.cluster) << c.volume;
  // 1 MiB in 512-byte clusters: 32 reserved sectors; (1048576 - 16384) / 512 = 2016 clusters, so
  // each table holds 2018 x 4 = 8072 bytes, 16 sectors; what is left is 1048576 - 16384 - 16384.
  EXPECT_EQ(fat32::UsableBytes(MiB, 512), 1015808u);
  EXPECT_EQ(fat32::UsableBytes(16384, 512), 0u);
  EXPECT_EQ(fat32::UsableBytes(0, 4096), 0u);
}

// An image held in memory that claims to be larger than it is: the bytes past what was
// written read as zeros, as from a sparse file. So a tree with a 4 GiB file can be read
// without 4 GiB anywhere.
class SparseImage : public iso::ImageReader {
 public:
  SparseImage(std::vector<std::uint8_t> head, std::uint64_t size) : head_(std::move(head)), size_(size) {}
  std::uint64_t Size() const override { return size_; }
  bool ReadAt(std::uint64_t offset, void* buffer, std::size_t length) override {
    if (offset > size_ || length > size_ - offset) return false;
    auto* out = static_cast<std::uint8_t*>(buffer);
    for (std::size_t i = 0; i < length; ++i) out[i] = offset + i < head_.size() ? head_[offset + i] : 0;
    return true;
  }

 private:
  std::vector<std::uint8_t> head_;
  std::uint64_t size_;
};

void Both32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) {
    p[i] = static_cast<std::uint8_t>(v >> (8 * i));
    p[7 - i] = static_cast<std::uint8_t>(v >> (8 * i));
  }
}

// A directory record as ISO 9660 lays it out (9.1): length, extent, data length, flags, name.
std::vector<std::uint8_t> Record(const std::string& name, std::uint32_t lba, std::uint32_t length, std::uint8_t flags) {
  std::vector<std::uint8_t> r(33 + name.size() + (name.size() % 2 == 0 ? 1 : 0), 0);
  r[0] = static_cast<std::uint8_t>(r.size());
  Both32(&r[2], lba);
  Both32(&r[10], length);
  r[25] = flags;
  r[28] = 1;  // volume sequence number, both-endian 16 bits
  r[31] = 1;
  r[32] = static_cast<std::uint8_t>(name.size());
  std::memcpy(&r[33], name.data(), name.size());
  return r;
}

// A primary-names-only image whose root holds the given records; every file's data lies
// past sector 20, in the zeros.
SparseImage ImageWith(const std::vector<std::vector<std::uint8_t>>& files, std::uint64_t size) {
  constexpr std::size_t Sector = 2048;
  std::vector<std::uint8_t> head(20 * Sector, 0);
  std::uint8_t* pvd = &head[16 * Sector];
  pvd[0] = 1;
  std::memcpy(pvd + 1, "CD001", 5);
  pvd[6] = 1;
  pvd[128] = Sector & 0xFF;
  pvd[129] = Sector >> 8;
  std::vector<std::uint8_t> root = Record(std::string(1, '\0'), 18, Sector, 2);
  std::memcpy(pvd + 156, root.data(), root.size());
  std::uint8_t* end = &head[17 * Sector];
  end[0] = 255;
  std::memcpy(end + 1, "CD001", 5);
  end[6] = 1;
  std::vector<std::uint8_t> dir = Record(std::string(1, '\0'), 18, Sector, 2);
  std::vector<std::uint8_t> dotdot = Record(std::string(1, '\1'), 18, Sector, 2);
  dir.insert(dir.end(), dotdot.begin(), dotdot.end());
  for (const auto& f : files) dir.insert(dir.end(), f.begin(), f.end());
  std::memcpy(&head[18 * Sector], dir.data(), dir.size());
  return SparseImage(std::move(head), size);
}

TEST(Fat32, AParsedImageWithA4GiBFileIsRefused) {
  // Two extents of one multi-extent file (flag 0x80 on all but the last) add up to 4 GiB.
  const std::uint32_t first = 0xFFFFF800u;  // whole sectors just below 4 GiB
  const std::uint32_t dataLba = 32;
  const std::uint64_t k4GiB = 4ull * 1024 * 1024 * 1024;
  const std::uint64_t imageSize = dataLba * 2048ull + k4GiB;
  struct Case { const char* what; std::vector<std::vector<std::uint8_t>> records; std::uint64_t size; bool ok; };
  const std::vector<Case> cases = {
      {"4 GiB in two extents",
       {Record("HUGE.BIN;1", dataLba, first, 0x80), Record("HUGE.BIN;1", dataLba + first / 2048, 2048, 0)},
       k4GiB, false},
      {"4 GiB - 1 in two extents",
       {Record("HUGE.BIN;1", dataLba, first, 0x80), Record("HUGE.BIN;1", dataLba + first / 2048, 2047, 0)},
       k4GiB - 1, true},
      {"a small file", {Record("SMALL.TXT;1", dataLba, 100, 0)}, 100, true},
  };
  for (const Case& c : cases) {
    SparseImage image = ImageWith(c.records, imageSize);
    iso::Tree tree;
    ASSERT_EQ(iso::ReadTree(image, tree), "") << c.what;
    ASSERT_EQ(tree.files, 1u) << c.what;
    EXPECT_EQ(tree.bytes, c.size) << c.what;
    std::string problem = fat32::Problem(tree);
    EXPECT_EQ(problem.empty(), c.ok) << c.what << ": " << problem;
  }
}

}  // namespace

