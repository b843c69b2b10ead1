// http:// URL parsing, redirect resolution, proxy settings and wget's choice of local file name.
#include "url.h"

#include <cctype>
#include <cstring>
#include <vector>

#include "names.h"

namespace web {

namespace {

using standins::AsciiLower;

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string PercentByte(unsigned char b) {
  static const char Hex[] = "0123456789ABCDEF";
  return std::string{'%', Hex[b >> 4], Hex[b & 15]};
}

// A request line is split at blanks and ends at CR LF: those and bytes outside ASCII are escaped.
std::string EscapeTarget(const std::string& target) {
  std::string out;
  for (char ch : target) {
    unsigned char b = static_cast<unsigned char>(ch);
    if (b <= 0x20 || b >= 0x7F || ch == '"' || ch == '<' || ch == '>' || ch == '\\' || ch == '^' ||
        ch == '`' || ch == '{' || ch == '|' || ch == '}') {
      out += PercentByte(b);
    } else {
      out += ch;
    }
  }
  return out;
}

// "/a/b/../c/./d" becomes "/a/c/d", as RFC 3986 resolves references; without it a
// relative redirect such as "../2/x" would be sent on unresolved.
std::string RemoveDotSegments(const std::string& target) {
  std::size_t q = target.find('?');
  std::string path = target.substr(0, q);
  std::string query = q == std::string::npos ? "" : target.substr(q);
  std::vector<std::string> kept;
  bool trailingSlash = false;
  std::size_t start = 1;
  while (start <= path.size()) {
    std::size_t slash = path.find('/', start);
    std::string segment = path.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
    start = slash == std::string::npos ? path.size() + 1 : slash + 1;
    bool last = slash == std::string::npos;
    if (segment == "." || segment == "..") {
      if (segment == ".." && !kept.empty()) kept.pop_back();
      trailingSlash = last;
      continue;
    }
    kept.push_back(segment);
    trailingSlash = false;
  }
  std::string out;
  for (const std::string& segment : kept) out += "/" + segment;
  if (out.empty() || trailingSlash) out += "/";
  return out + query;
}

bool HasScheme(const std::string& text, std::string* scheme) {
  std::size_t colon = text.find(':');
  if (colon == std::string::npos || colon == 0) return false;
  for (std::size_t i = 0; i < colon; ++i) {
    char c = text[i];
    bool ok = std::isalpha(static_cast<unsigned char>(c)) ||
              (i > 0 && (std::isdigit(static_cast<unsigned char>(c)) || c == '+' || c == '-' || c == '.'));
    if (!ok) return false;
  }
  if (scheme) *scheme = AsciiLower(text.substr(0, colon));
  return true;
}

std::optional<Url> ParseAuthorityAndRest(const std::string& rest) {
  Url url;
  std::size_t end = rest.find_first_of("/?#");
  std::string authority = rest.substr(0, end);
  std::string tail = end == std::string::npos ? "" : rest.substr(end);
  std::size_t at = authority.rfind('@');
  if (at != std::string::npos) authority = authority.substr(at + 1);  // user:password is not used
  std::string portText;
  if (!authority.empty() && authority[0] == '[') {
    std::size_t close = authority.find(']');
    if (close == std::string::npos) return std::nullopt;
    url.host = authority.substr(1, close - 1);
    url.ipv6 = true;
    std::string after = authority.substr(close + 1);
    if (!after.empty()) {
      if (after[0] != ':') return std::nullopt;
      portText = after.substr(1);
    }
  } else {
    std::size_t colon = authority.find(':');
    url.host = authority.substr(0, colon);
    if (colon != std::string::npos) portText = authority.substr(colon + 1);
  }
  if (url.host.empty()) return std::nullopt;
  for (char c : url.host) {
    if (static_cast<unsigned char>(c) <= 0x20 || c == '/' || c == '\\') return std::nullopt;
  }
  if (!portText.empty()) {
    if (portText.size() > 5) return std::nullopt;
    int port = 0;
    for (char c : portText) {
      if (!std::isdigit(static_cast<unsigned char>(c))) return std::nullopt;
      port = port * 10 + (c - '0');
    }
    if (port < 1 || port > 65535) return std::nullopt;
    url.port = port;
  }
  tail = tail.substr(0, tail.find('#'));
  if (tail.empty() || tail[0] == '?') tail = "/" + tail;
  url.target = EscapeTarget(RemoveDotSegments(tail));
  return url;
}

}  // namespace

std::string Url::HostHeader() const {
  std::string h = ipv6 ? "[" + host + "]" : host;
  if (port != 80) h += ":" + std::to_string(port);
  return h;
}

std::string Url::Absolute() const { return "http://" + HostHeader() + target; }

std::optional<Url> ParseHttpUrl(const std::string& text, bool* otherScheme) {
  if (otherScheme) *otherScheme = false;
  std::string scheme;
  if (!HasScheme(text, &scheme)) return std::nullopt;
  if (scheme != "http") {
    if (otherScheme) *otherScheme = true;
    return std::nullopt;
  }
  if (text.compare(scheme.size(), 3, "://") != 0) return std::nullopt;
  return ParseAuthorityAndRest(text.substr(scheme.size() + 3));
}

std::optional<Url> Resolve(const Url& base, const std::string& location, bool* otherScheme) {
  if (otherScheme) *otherScheme = false;
  if (location.empty()) return std::nullopt;
  if (HasScheme(location, nullptr) && location.find("://") != std::string::npos &&
      location.find("://") < location.find_first_of("/?#")) {
    return ParseHttpUrl(location, otherScheme);
  }
  if (location.compare(0, 2, "//") == 0) return ParseAuthorityAndRest(location.substr(2));
  Url url = base;
  std::string target;
  if (location[0] == '/') {
    target = location;
  } else if (location[0] == '?') {
    target = base.target.substr(0, base.target.find('?')) + location;
  } else {
    std::string path = base.target.substr(0, base.target.find('?'));
    target = path.substr(0, path.rfind('/') + 1) + location;
  }
  url.target = EscapeTarget(RemoveDotSegments(target.substr(0, target.find('#'))));
  return url;
}

std::optional<Url> ParseProxy(const std::string& value) {
  std::string text = value;
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.pop_back();
  if (text.empty()) return std::nullopt;
  if (text.find("://") == std::string::npos) text = "http://" + text;
  return ParseHttpUrl(text);
}

bool ExemptFromProxy(const std::string& host, const std::string& noProxy) {
  std::string h = AsciiLower(host);
  std::size_t start = 0;
  while (start <= noProxy.size()) {
    std::size_t comma = noProxy.find(',', start);
    std::string entry = noProxy.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
    start = comma == std::string::npos ? noProxy.size() + 1 : comma + 1;
    std::size_t first = entry.find_first_not_of(" \t");
    std::size_t last = entry.find_last_not_of(" \t");
    if (first == std::string::npos) continue;
    entry = AsciiLower(entry.substr(first, last - first + 1));
    if (entry == "*") return true;
    if (entry[0] == '.') entry = entry.substr(1);
    if (h == entry) return true;
    if (h.size() > entry.size() && h.compare(h.size() - entry.size(), entry.size(), entry) == 0 &&
        h[h.size() - entry.size() - 1] == '.') {
      return true;
    }
  }
  return false;
}

std::string LocalFileName(const Url& url) {
  std::string target = url.target;
  std::size_t q = target.find('?');
  std::string path = target.substr(0, q);
  std::string query = q == std::string::npos ? "" : target.substr(q + 1);
  std::string segment = path.substr(path.rfind('/') + 1);
  auto decode = [](const std::string& s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
      if (s[i] == '%' && i + 2 < s.size() && HexValue(s[i + 1]) >= 0 && HexValue(s[i + 2]) >= 0) {
        out += static_cast<char>(HexValue(s[i + 1]) * 16 + HexValue(s[i + 2]));
        i += 2;
      } else {
        out += s[i];
      }
    }
    return out;
  };
  std::string name = decode(segment);
  if (name.empty() || name == "." || name == "..") name = "index.html";
  if (!query.empty()) name += "@" + decode(query);
  // What Windows cannot hold in a name is written as %XX, so that a decoded "/" or
  // "\" can never turn the name into a path.
  std::string safe;
  for (char ch : name) {
    unsigned char b = static_cast<unsigned char>(ch);
    if (b < 0x20 || b == 0x7F || std::strchr("\\/:*?\"<>|", ch) != nullptr) {
      safe += PercentByte(b);
    } else {
      safe += ch;
    }
  }
  return safe;
}

}  // namespace web
