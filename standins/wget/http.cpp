// Parsing of HTTP response heads and the chunked transfer coding, kept free of sockets so it can be tested alone.
#include "http.h"

#include <cctype>

#include "names.h"

namespace web {

namespace {

using standins::AsciiLower;
using standins::Trim;

std::optional<std::uint64_t> Digits(const std::string& s) {
  if (s.empty() || s.size() > 19) return std::nullopt;  // 19 digits always fit in 64 bits
  std::uint64_t v = 0;
  for (char c : s) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return std::nullopt;
    v = v * 10 + static_cast<std::uint64_t>(c - '0');
  }
  return v;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::optional<std::string> ResponseHead::Header(const std::string& name) const {
  std::string wanted = AsciiLower(name);
  for (const auto& h : headers) {
    if (AsciiLower(h.first) == wanted) return h.second;
  }
  return std::nullopt;
}

bool ResponseHead::IsChunked() const {
  std::string te;
  for (const auto& h : headers) {
    if (AsciiLower(h.first) == "transfer-encoding") te += (te.empty() ? "" : ",") + h.second;
  }
  te = AsciiLower(te);
  std::size_t comma = te.rfind(',');
  return Trim(comma == std::string::npos ? te : te.substr(comma + 1)) == "chunked";
}

std::optional<std::uint64_t> ResponseHead::ContentLength(bool* bad) const {
  *bad = false;
  std::optional<std::uint64_t> length;
  for (const auto& h : headers) {
    if (AsciiLower(h.first) != "content-length") continue;
    // "Content-Length: 5, 5" and repeated headers are allowed only when they agree.
    std::string values = h.second;
    std::size_t start = 0;
    while (start <= values.size()) {
      std::size_t comma = values.find(',', start);
      std::string one = Trim(values.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
      start = comma == std::string::npos ? values.size() + 1 : comma + 1;
      std::optional<std::uint64_t> v = Digits(one);
      if (!v || (length && *length != *v)) {
        *bad = true;
        return std::nullopt;
      }
      length = v;
    }
  }
  return length;
}

std::optional<std::uint64_t> ResponseHead::RangeStart() const {
  std::optional<std::string> range = Header("Content-Range");
  if (!range) return std::nullopt;
  std::string r = Trim(*range);
  if (AsciiLower(r.substr(0, 6)) != "bytes ") return std::nullopt;
  std::size_t dash = r.find('-', 6);
  if (dash == std::string::npos) return std::nullopt;
  return Digits(Trim(r.substr(6, dash - 6)));
}

std::size_t FindHeadEnd(const std::string& received) {
  // Bare LF line ends are tolerated, as browsers and wget do.
  for (std::size_t i = 0; i < received.size(); ++i) {
    if (received[i] != '\n') continue;
    if (i + 1 < received.size() && received[i + 1] == '\n') return i + 2;
    if (i + 2 < received.size() && received[i + 1] == '\r' && received[i + 2] == '\n') return i + 3;
  }
  return std::string::npos;
}

std::optional<ResponseHead> ParseResponseHead(const std::string& head) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < head.size()) {
    std::size_t lf = head.find('\n', start);
    std::string line = head.substr(start, lf == std::string::npos ? std::string::npos : lf - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    start = lf == std::string::npos ? head.size() : lf + 1;
    if (line.empty()) break;
    lines.push_back(line);
  }
  if (lines.empty()) return std::nullopt;

  const std::string& statusLine = lines[0];
  // "HTTP/1.1 200 OK": version, blank, three digits, then an optional reason.
  if (statusLine.size() < 12 || statusLine.compare(0, 5, "HTTP/") != 0) return std::nullopt;
  std::size_t blank = statusLine.find(' ');
  if (blank == std::string::npos || blank + 4 > statusLine.size()) return std::nullopt;
  ResponseHead result;
  for (std::size_t i = blank + 1; i < blank + 4; ++i) {
    if (!std::isdigit(static_cast<unsigned char>(statusLine[i]))) return std::nullopt;
    result.status = result.status * 10 + (statusLine[i] - '0');
  }
  if (blank + 4 < statusLine.size()) {
    if (statusLine[blank + 4] != ' ') return std::nullopt;
    result.reason = statusLine.substr(blank + 5);
  }

  for (std::size_t i = 1; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    if (line[0] == ' ' || line[0] == '\t') {  // an old-style folded continuation line
      if (result.headers.empty()) return std::nullopt;
      result.headers.back().second += " " + Trim(line);
      continue;
    }
    std::size_t colon = line.find(':');
    if (colon == std::string::npos || colon == 0) return std::nullopt;
    std::string name = line.substr(0, colon);
    if (name.find_first_of(" \t") != std::string::npos) return std::nullopt;
    result.headers.emplace_back(name, Trim(line.substr(colon + 1)));
  }
  return result;
}

ChunkDecoder::State ChunkDecoder::Feed(const char* in, std::size_t n, std::string& out) {
  std::size_t i = 0;
  while (i < n && state_ == State::More) {
    char c = in[i];
    switch (step_) {
      case Step::Size: {
        int v = HexValue(c);
        if (v >= 0) {
          // More than 15 hex digits would overflow; no real chunk is that large.
          if (++digits_ > 15) state_ = State::Error;
          size_ = size_ * 16 + static_cast<std::uint64_t>(v);
        } else if (digits_ == 0) {
          state_ = State::Error;
        } else if (c == ';' || c == ' ' || c == '\t') {
          step_ = Step::Extension;
        } else if (c == '\r') {
          step_ = Step::SizeLf;
        } else if (c == '\n') {
          step_ = size_ == 0 ? Step::TrailerStart : Step::Data;
        } else {
          state_ = State::Error;
        }
        ++i;
        break;
      }
      case Step::Extension:
        if (c == '\r') step_ = Step::SizeLf;
        if (c == '\n') step_ = size_ == 0 ? Step::TrailerStart : Step::Data;
        ++i;
        break;
      case Step::SizeLf:
        if (c != '\n') state_ = State::Error;
        step_ = size_ == 0 ? Step::TrailerStart : Step::Data;
        ++i;
        break;
      case Step::Data: {
        std::size_t take = n - i;
        if (take > size_) take = static_cast<std::size_t>(size_);
        out.append(in + i, take);
        i += take;
        size_ -= take;
        if (size_ == 0) step_ = Step::DataCr;
        break;
      }
      case Step::DataCr:
        if (c == '\r') {
          step_ = Step::DataLf;
        } else if (c == '\n') {
          step_ = Step::Size;
          digits_ = 0;
        } else {
          state_ = State::Error;
        }
        ++i;
        break;
      case Step::DataLf:
        if (c != '\n') state_ = State::Error;
        step_ = Step::Size;
        digits_ = 0;
        ++i;
        break;
      case Step::TrailerStart:
        if (c == '\r') {
          step_ = Step::EndLf;
        } else if (c == '\n') {
          state_ = State::Done;
        } else {
          step_ = Step::TrailerLine;
        }
        ++i;
        break;
      case Step::TrailerLine:
        if (c == '\n') step_ = Step::TrailerStart;
        ++i;
        break;
      case Step::EndLf:
        state_ = c == '\n' ? State::Done : State::Error;
        ++i;
        break;
    }
  }
  return state_;
}

}  // namespace web
