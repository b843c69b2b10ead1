// Platform-free HTTP/1.1 response reading: the status line and headers, and chunked bodies.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace web {

struct ResponseHead {
  int status = 0;
  std::string reason;
  std::vector<std::pair<std::string, std::string>> headers;

  // The first header of that name (compared without case), or nothing.
  std::optional<std::string> Header(const std::string& name) const;
  // Transfer-Encoding ends in "chunked".
  bool IsChunked() const;
  // Content-Length, when present; *bad is set for a malformed or contradictory one.
  std::optional<std::uint64_t> ContentLength(bool* bad) const;
  // The first byte position of a "Content-Range: bytes first-last/total" header.
  std::optional<std::uint64_t> RangeStart() const;
};

// Where the head ends in the bytes received so far (just past the empty line), or npos.
std::size_t FindHeadEnd(const std::string& received);

// Parses a response head (status line and header lines, CR LF or bare LF).
std::optional<ResponseHead> ParseResponseHead(const std::string& head);

// Decodes a chunked body fed in pieces of any size, as they arrive from the network.
class ChunkDecoder {
 public:
  enum class State { More, Done, Error };

  // Appends the data bytes held in [in, in + n) to out; bytes after the last chunk are ignored.
  State Feed(const char* in, std::size_t n, std::string& out);
  State state() const { return state_; }

 private:
  enum class Step { Size, Extension, SizeLf, Data, DataCr, DataLf, TrailerStart, TrailerLine, EndLf };
  Step step_ = Step::Size;
  State state_ = State::More;
  std::uint64_t size_ = 0;
  int digits_ = 0;
};

}  // namespace web
