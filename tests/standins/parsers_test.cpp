// Host-built tests of the stand-ins' platform-free parsers: drive arguments, file-name safety, URLs and HTTP.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "http.h"
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
      {"5\r\nhello\r\n0\r\n\r\n", "hello", State::kDone},
      {"5;name=v\r\nhello\r\n6\r\n world\r\n0\r\n\r\n", "hello world", State::kDone},
      {"A\r\n0123456789\r\n0\r\nX-Trailer: t\r\n\r\nignored", "0123456789", State::kDone},
      {"3\nabc\n0\n\n", "abc", State::kDone},
      {"5\r\nhel", "hel", State::kMore},
      {"zz\r\n", "", State::kError},
      {"5\r\nhelloX\r\n", "hello", State::kError},
      {"1111111111111111\r\n", "", State::kError},
      {"\r\n", "", State::kError},
  };
  for (const Case& c : cases) {
    web::ChunkDecoder whole;
    std::string out;
    EXPECT_EQ(whole.Feed(c.wire.data(), c.wire.size(), out), c.state) << c.wire;
    EXPECT_EQ(out, c.data) << c.wire;
    web::ChunkDecoder bytewise;  // the same bytes one at a time, as a slow network gives them
    std::string out2;
    State state = State::kMore;
    for (char ch : c.wire) state = bytewise.Feed(&ch, 1, out2);
    EXPECT_EQ(state, c.state) << c.wire;
    EXPECT_EQ(out2, c.data) << c.wire;
  }
}

}  // namespace
