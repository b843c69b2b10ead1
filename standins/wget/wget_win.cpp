// Stand-in downloader: an HTTP/1.1 GET over Winsock with wget's options, retries, file naming and exit codes.
//
//   wget -t<N> -nH -P <dir> <url>
//
// Like wget it honours http_proxy (and no_proxy), follows redirects, never
// overwrites an existing file (name.1, name.2, ... instead) and exits with 0 for
// success, 2 for bad usage, 3 for a file error, 4 for a network failure, 7 for a
// protocol error and 8 for an error response from the server.
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "console_win.h"
#include "fs_win.h"
#include "handle_win.h"
#include "http.h"
#include "names.h"
#include "url.h"

namespace {

using standins::ToUtf8;

const char ToolName[] = "wget";

enum ExitCode { Ok = 0, Generic = 1, Usage = 2, FileIo = 3, Network = 4, Protocol = 7, ServerError = 8 };

constexpr int MaxRedirects = 5;
constexpr std::size_t MaxHeadBytes = 64 * 1024;
constexpr DWORD SocketTimeoutMs = 60 * 1000;
constexpr DWORD RetryWaitMs = 1000;

void Say(const std::string& line) { standins::Say(ToolName, line); }

struct SocketTraits {
  using type = SOCKET;
  static type invalid() noexcept { return INVALID_SOCKET; }
  static void close(type s) noexcept { closesocket(s); }
};
using Socket = platform::UniqueAny<SocketTraits>;

struct AddrInfoTraits {
  using type = addrinfo*;
  static type invalid() noexcept { return nullptr; }
  static void close(type a) noexcept { freeaddrinfo(a); }
};
using AddrInfo = platform::UniqueAny<AddrInfoTraits>;

class Winsock {
 public:
  Winsock() {
    WSADATA data;
    ok_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }
  ~Winsock() {
    if (ok_) WSACleanup();
  }
  Winsock(const Winsock&) = delete;
  Winsock& operator=(const Winsock&) = delete;
  bool ok() const { return ok_; }

 private:
  bool ok_ = false;
};

struct Options {
  int tries = 20;  // wget's default when -t is not given
  std::wstring dir = L".";
  std::string url;
};

bool ParseTries(const std::wstring& text, int& tries) {
  if (text.empty() || text.size() > 4) return false;
  int n = 0;
  for (wchar_t c : text) {
    if (c < L'0' || c > L'9') return false;
    n = n * 10 + (c - L'0');
  }
  if (n < 1) return false;
  tries = n;
  return true;
}

bool ParseOptions(const std::vector<std::wstring>& args, Options& options) {
  bool haveUrl = false;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::wstring& a = args[i];
    if (a.compare(0, 2, L"-t") == 0 && a.size() > 2) {
      if (!ParseTries(a.substr(2), options.tries)) {
        Say("-t needs a number of tries of at least 1, not \"" + ToUtf8(a.substr(2)) + "\"");
        return false;
      }
    } else if (a == L"-t") {
      if (i + 1 >= args.size() || !ParseTries(args[++i], options.tries)) {
        Say("-t needs a number of tries of at least 1");
        return false;
      }
    } else if (a == L"-nH") {
      // No host folder: this downloader never makes one, it saves one URL into -P.
    } else if (a == L"-P") {
      if (i + 1 >= args.size()) {
        Say("-P needs a folder");
        return false;
      }
      options.dir = args[++i];
    } else if (a.compare(0, 2, L"-P") == 0) {
      options.dir = a.substr(2);
    } else if (!a.empty() && a[0] == L'-') {
      Say("unknown option \"" + ToUtf8(a) + "\"");
      return false;
    } else if (haveUrl) {
      Say("give one URL only");
      return false;
    } else {
      options.url = ToUtf8(a);
      haveUrl = true;
    }
  }
  if (!haveUrl) {
    Say("missing URL");
    Say("usage: wget -t<tries> -nH -P <folder> <url>");
    return false;
  }
  return true;
}

std::string Now() {
  SYSTEMTIME t;
  GetLocalTime(&t);
  char text[32];
  std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u", t.wYear, t.wMonth, t.wDay, t.wHour,
                t.wMinute, t.wSecond);
  return text;
}

std::string GetEnv(const wchar_t* name) {
  // Windows looks names up without case, so HTTP_PROXY is found as well.
  DWORD n = GetEnvironmentVariableW(name, nullptr, 0);
  if (n == 0) return "";
  std::wstring value(n, L'\0');
  n = GetEnvironmentVariableW(name, &value[0], n);
  value.resize(n);
  return ToUtf8(value);
}

enum class Outcome { Done, Retry, Fatal };

struct Result {
  Outcome outcome;
  int code;
};

Result Retry(int code) { return {Outcome::Retry, code}; }
Result Fatal(int code) { return {Outcome::Fatal, code}; }

// What survives from one try to the next: the file chosen on the first response,
// so that a retry finishes that file instead of starting name.1 beside a partial one.
struct Download {
  std::wstring path;
  platform::UniqueFile file;
  std::uint64_t have = 0;
};

bool CreateFolders(const std::wstring& dir) {
  if (dir.empty() || standins::IsDirectory(dir)) return true;
  std::size_t slash = dir.find_last_of(L"\\/");
  if (slash != std::wstring::npos && slash > 0 && dir[slash - 1] != L':') {
    if (!CreateFolders(dir.substr(0, slash))) return false;
  }
  return CreateDirectoryW(dir.c_str(), nullptr) || standins::IsDirectory(dir);
}

// Opens a new file under the URL's name, or name.1, name.2, ... when that is taken,
// as wget does without -nc or -N: an existing file is never overwritten.
bool OpenNewFile(const Options& options, const web::Url& original, Download& dl) {
  if (!CreateFolders(options.dir)) {
    Say("cannot create folder " + ToUtf8(options.dir) + ": " + standins::ErrorText(GetLastError()));
    return false;
  }
  std::wstring base = standins::JoinPath(options.dir, standins::FromUtf8(web::LocalFileName(original)));
  for (int n = 0; n < 100000; ++n) {
    std::wstring candidate = n == 0 ? base : base + L"." + std::to_wstring(n);
    if (GetFileAttributesW(candidate.c_str()) != INVALID_FILE_ATTRIBUTES) continue;
    dl.file.reset(CreateFileW(candidate.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
    if (dl.file) {
      dl.path = candidate;
      dl.have = 0;
      return true;
    }
    DWORD error = GetLastError();
    if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) continue;  // taken meanwhile
    Say("cannot create " + ToUtf8(candidate) + ": " + standins::ErrorText(error));
    return false;
  }
  Say("no free file name for " + ToUtf8(base));
  return false;
}

bool Truncate(Download& dl) {
  LARGE_INTEGER zero;
  zero.QuadPart = 0;
  if (!SetFilePointerEx(dl.file.get(), zero, nullptr, FILE_BEGIN) || !SetEndOfFile(dl.file.get())) {
    Say("cannot rewind " + ToUtf8(dl.path) + ": " + standins::ErrorText(GetLastError()));
    return false;
  }
  dl.have = 0;
  return true;
}

bool WriteAll(Download& dl, const char* data, std::size_t n) {
  while (n > 0) {
    DWORD written = 0;
    if (!WriteFile(dl.file.get(), data, static_cast<DWORD>(n), &written, nullptr) || written == 0) {
      Say("cannot write to " + ToUtf8(dl.path) + ": " + standins::ErrorText(GetLastError()));
      return false;
    }
    data += written;
    n -= written;
    dl.have += written;
  }
  return true;
}

Result Connect(const std::string& host, int port, Socket& sock) {
  std::string where = host + ":" + std::to_string(port);
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_protocol = IPPROTO_TCP;
  addrinfo* raw = nullptr;
  if (getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &raw) != 0) {
    Say("unable to resolve host address '" + host + "'");
    return Retry(Network);
  }
  AddrInfo addresses(raw);
  int error = 0;
  for (addrinfo* a = addresses.get(); a != nullptr; a = a->ai_next) {
    Socket s(socket(a->ai_family, a->ai_socktype, a->ai_protocol));
    if (!s) {
      error = WSAGetLastError();
      continue;
    }
    DWORD timeout = SocketTimeoutMs;
    setsockopt(s.get(), SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout);
    setsockopt(s.get(), SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout);
    if (connect(s.get(), a->ai_addr, static_cast<int>(a->ai_addrlen)) == 0) {
      Say("Connecting to " + where + "... connected.");
      sock = std::move(s);
      return {Outcome::Done, Ok};
    }
    error = WSAGetLastError();
  }
  Say("Connecting to " + where + "... failed: " +
      (error == WSAECONNREFUSED ? std::string("Connection refused") : standins::ErrorText(error)) + ".");
  return Retry(Network);
}

bool SendAll(SOCKET s, const std::string& data) {
  std::size_t sent = 0;
  while (sent < data.size()) {
    int n = send(s, data.data() + sent, static_cast<int>(data.size() - sent), 0);
    if (n <= 0) return false;
    sent += static_cast<std::size_t>(n);
  }
  return true;
}

// Receives into buf; 0 means the peer closed, -1 an error (reset, time-out).
int Receive(SOCKET s, std::vector<char>& buf) {
  int n = recv(s, buf.data(), static_cast<int>(buf.size()), 0);
  return n < 0 ? -1 : n;
}

std::string Amount(std::uint64_t bytes) { return std::to_string(bytes); }

Result ReadBody(SOCKET s, const web::ResponseHead& head, std::string pending, Download& dl) {
  bool chunked = head.IsChunked();
  bool badLength = false;
  std::optional<std::uint64_t> declared = head.ContentLength(&badLength);
  if (badLength && !chunked) {
    Say("the server sent a malformed Content-Length");
    return Retry(Protocol);
  }
  // Plain values rather than an optional: GCC 12 warns falsely about optionals in this loop.
  bool hasLength = !chunked && (declared.has_value() || head.status == 204 || head.status == 205);
  std::uint64_t length = hasLength && declared ? *declared : 0;
  std::uint64_t start = dl.have;
  std::uint64_t total = start + length;
  Say("Length: " + (hasLength ? Amount(total) : std::string(chunked ? "unspecified (chunked)" : "unspecified")));
  Say("Saving to: '" + ToUtf8(dl.path) + "'");

  web::ChunkDecoder decoder;
  std::vector<char> buf(64 * 1024);
  std::string data;
  std::uint64_t nextReport = 0;
  const std::uint64_t reportStep = hasLength && total / 10 > (1u << 20) ? total / 10 : (8u << 20);
  for (;;) {
    data.clear();
    if (chunked) {
      if (decoder.Feed(pending.data(), pending.size(), data) == web::ChunkDecoder::State::Error) {
        Say("the server sent a malformed chunked body");
        return Retry(Protocol);
      }
    } else if (hasLength) {
      std::uint64_t left = length - (dl.have - start);
      data.assign(pending, 0, static_cast<std::size_t>(left < pending.size() ? left : pending.size()));
    } else {
      data = pending;
    }
    if (!WriteAll(dl, data.data(), data.size())) return Fatal(FileIo);

    if (dl.have >= nextReport) {
      if (dl.have > 0) {
        Say("  " + Amount(dl.have) +
            (hasLength ? " of " + Amount(total) + " bytes (" + std::to_string(total ? dl.have * 100 / total : 100) + "%)"
                        : std::string(" bytes")));
      }
      nextReport = dl.have + reportStep;
    }
    bool complete = chunked ? decoder.state() == web::ChunkDecoder::State::Done
                            : (hasLength && dl.have - start >= length);
    if (complete) break;

    int n = Receive(s, buf);
    if (n == 0) {
      if (!chunked && !hasLength) break;  // no length given: the end of the connection ends the body
      Say("Connection closed at byte " + Amount(dl.have) + ". Retrying.");
      return Retry(Network);
    }
    if (n < 0) {
      Say("Read error at byte " + Amount(dl.have) + ": " + standins::ErrorText(WSAGetLastError()) + ". Retrying.");
      return Retry(Network);
    }
    pending.assign(buf.data(), static_cast<std::size_t>(n));
  }
  Say("'" + ToUtf8(dl.path) + "' saved [" + Amount(dl.have) + (hasLength ? "/" + Amount(total) : "") + "]");
  return {Outcome::Done, Ok};
}

// One try: connect, send, follow redirects and save the body.
Result Attempt(const Options& options, const web::Url& original, const std::optional<web::Url>& proxy,
               Download& dl) {
  web::Url url = original;
  for (int redirects = 0;; ++redirects) {
    bool viaProxy = proxy && !web::ExemptFromProxy(url.host, GetEnv(L"no_proxy"));
    Socket sock;
    Result connected = viaProxy ? Connect(proxy->host, proxy->port, sock) : Connect(url.host, url.port, sock);
    if (connected.outcome != Outcome::Done) return connected;

    // A proxy is sent the absolute URL; a server the path alone.
    std::string request = "GET " + (viaProxy ? url.Absolute() : url.target) + " HTTP/1.1\r\n" +
                          "Host: " + url.HostHeader() + "\r\n" +
                          "User-Agent: Wget/1.21 (VKR stand-in)\r\n"
                          "Accept: */*\r\n"
                          "Accept-Encoding: identity\r\n";
    if (dl.file && dl.have > 0) request += "Range: bytes=" + Amount(dl.have) + "-\r\n";
    request += "Connection: close\r\n\r\n";
    if (!SendAll(sock.get(), request)) {
      Say("cannot send the request: " + standins::ErrorText(WSAGetLastError()));
      return Retry(Network);
    }
    Say(std::string(viaProxy ? "Proxy" : "HTTP") + " request sent, awaiting response... ");

    std::string received;
    std::vector<char> buf(16 * 1024);
    std::optional<web::ResponseHead> head;
    std::size_t end = std::string::npos;
    for (;;) {
      end = web::FindHeadEnd(received);
      if (end != std::string::npos) {
        head = web::ParseResponseHead(received.substr(0, end));
        if (!head) {
          Say("the server sent a malformed response");
          return Retry(Protocol);
        }
        if (head->status >= 100 && head->status < 200) {  // an interim response: the real one follows
          received.erase(0, end);
          continue;
        }
        break;
      }
      if (received.size() > MaxHeadBytes) {
        Say("the server's response head is too long");
        return Retry(Protocol);
      }
      int n = Receive(sock.get(), buf);
      if (n <= 0) {
        Say(n == 0 ? "No data received." : "Read error: " + standins::ErrorText(WSAGetLastError()));
        return Retry(Network);
      }
      received.append(buf.data(), static_cast<std::size_t>(n));
    }
    Say(std::to_string(head->status) + " " + head->reason);
    int status = head->status;

    if (status == 301 || status == 302 || status == 303 || status == 307 || status == 308) {
      std::optional<std::string> location = head->Header("Location");
      if (!location) {
        Say("ERROR " + std::to_string(status) + ": redirect without a Location.");
        return Fatal(ServerError);
      }
      bool otherScheme = false;
      std::optional<web::Url> next = web::Resolve(url, *location, &otherScheme);
      if (!next) {
        Say(otherScheme ? "redirect to an unsupported scheme: " + *location : "malformed redirect: " + *location);
        return Fatal(otherScheme ? Generic : ServerError);
      }
      if (redirects >= MaxRedirects) {
        Say(std::to_string(MaxRedirects) + " redirections exceeded.");
        return Fatal(ServerError);
      }
      Say("Location: " + next->Absolute() + " [following]");
      url = *next;
      continue;
    }
    if (status == 416 && dl.file && dl.have > 0) {
      // The server will not resume: start the same file again on the next try.
      return Truncate(dl) ? Retry(ServerError) : Fatal(FileIo);
    }
    if (status >= 400 && status < 500) {
      Say("ERROR " + std::to_string(status) + ": " + head->reason + ".");
      return Fatal(ServerError);
    }
    if (status >= 500) {
      Say("ERROR " + std::to_string(status) + ": " + head->reason + ".");
      return Retry(ServerError);
    }
    if (status < 200 || status >= 300) {
      Say("ERROR " + std::to_string(status) + ": unexpected response.");
      return Fatal(ServerError);
    }

    if (!dl.file) {
      if (!OpenNewFile(options, original, dl)) return Fatal(FileIo);
    } else if (status == 206) {
      std::optional<std::uint64_t> from = head->RangeStart();
      if (!from || *from != dl.have) {  // not the part we asked for: start the same file again
        Say("the server resumed at the wrong place");
        return Truncate(dl) ? Retry(Protocol) : Fatal(FileIo);
      }
    } else if (!Truncate(dl)) {  // a whole body again: it replaces what the last try left
      return Fatal(FileIo);
    }
    return ReadBody(sock.get(), *head, received.substr(end), dl);
  }
}

int Run() {
  Options options;
  if (!ParseOptions(standins::CommandArgs(), options)) return Usage;

  bool otherScheme = false;
  std::optional<web::Url> url = web::ParseHttpUrl(options.url, &otherScheme);
  if (!url) {
    Say(options.url + (otherScheme ? ": Unsupported scheme." : ": Invalid URL."));
    return Generic;
  }
  std::optional<web::Url> proxy;
  std::string proxyText = GetEnv(L"http_proxy");
  if (!proxyText.empty()) {
    proxy = web::ParseProxy(proxyText);
    if (!proxy) {
      Say("Error parsing proxy URL " + proxyText + ".");
      return Generic;
    }
  }

  Winsock winsock;
  if (!winsock.ok()) {
    Say("cannot start Winsock");
    return Network;
  }
  Download dl;
  int last = Network;
  for (int attempt = 1; attempt <= options.tries; ++attempt) {
    if (attempt > 1) Sleep(RetryWaitMs);
    Say("--" + Now() + "--  " + (attempt > 1 ? "(try: " + std::to_string(attempt) + ")  " : std::string()) +
        url->Absolute());
    Result result = Attempt(options, *url, proxy, dl);
    if (result.outcome == Outcome::Done) return Ok;
    last = result.code;
    if (result.outcome == Outcome::Fatal) return last;
  }
  Say("Giving up.");
  return last;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return Run(); }
