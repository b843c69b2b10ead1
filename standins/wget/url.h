// Platform-free handling of http:// URLs: parsing, redirect targets, proxies and the local file name.
#pragma once

#include <optional>
#include <string>

namespace web {

struct Url {
  std::string host;       // without brackets for an IPv6 literal
  int port = 80;
  std::string target;     // path and query as sent to a server, always starting with '/'
  bool ipv6 = false;

  // "host" or "host:port" as the Host header wants it (the port only when it is not 80).
  std::string HostHeader() const;
  // The absolute form "http://host[:port]/path?query", as a proxy wants it.
  std::string Absolute() const;
};

// Parses an absolute http:// URL. The fragment is dropped, user information is
// ignored and bytes a request line may not carry are percent-encoded.
// Gives nothing for another scheme or a malformed URL; *scheme_only tells the two apart.
std::optional<Url> ParseHttpUrl(const std::string& text, bool* otherScheme = nullptr);

// Where a Location header leads from base: an absolute URL, "//host/...", "/path" or a relative path.
std::optional<Url> Resolve(const Url& base, const std::string& location, bool* otherScheme = nullptr);

// The proxy named by an http_proxy value ("http://host:port/" or "host:port"); nothing when empty or malformed.
std::optional<Url> ParseProxy(const std::string& value);

// True when a no_proxy list ("a.example,.b.example,*") exempts host from the proxy.
bool ExemptFromProxy(const std::string& host, const std::string& noProxy);

// The local file name for a URL, as wget chooses it: the last path segment,
// percent-decoded, "index.html" for a folder, the query joined with '@' (as wget
// on Windows does), and characters that Windows forbids in names written as %XX.
std::string LocalFileName(const Url& url);

}  // namespace web
