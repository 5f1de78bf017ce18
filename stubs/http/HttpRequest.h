// An HTTP/1.x request's header block: where it ends, and what it says. Free of Win32 so that the
// rules can be checked on any host.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace pravix::stub {

struct HttpRequest {
  std::string method;
  std::string target;  // as sent: "/secret/name"
  std::string host;
  std::string origin;  // empty when there is none
  std::string range;   // the Range field's value; empty when there is none
  std::string body;
  bool keepAlive = true;
  // Every other field, in order, its name as sent.
  std::vector<std::pair<std::string, std::string>> fields;

  // The value of the first other field named `name`, in any case; empty when there is none.
  std::string field(std::string_view name) const;
};

// The length of the header block at the start of `input`, through its blank line, or 0 while it
// has not ended. Lines end in CRLF or a bare LF. `scanned` is where the previous look at a shorter
// `input` stopped (0 at first); it is moved on, so that every byte is looked at once however the
// block arrives.
size_t headerBlockLength(std::string_view input, size_t& scanned);

struct RequestHead {
  HttpRequest request;      // without its body
  uint64_t bodyLength = 0;  // Content-Length
};

// The request line and the fields of a whole header block, or nothing when the block is malformed
// or its framing ambiguous: a request line other than METHOD SP TARGET SP HTTP/1.x; a field name
// that is not a token (a blank before the colon, an obsolete folded line); a control character
// other than a tab in a value (NUL, a bare CR); no Host or two; two Origins; a Transfer-Encoding; a
// Content-Length that is not a number, or two that differ.
std::optional<RequestHead> parseHeaderBlock(std::string_view block);

// A decimal number of at most 15 digits (far beyond any body, file or count, and no overflow);
// nothing for anything else, a sign or a blank included.
std::optional<uint64_t> decimalNumber(std::string_view digits);

// The part of a body of `size` bytes that a Range field asks for.
struct ByteRange {
  uint64_t first = 0;
  uint64_t length = 0;  // 0: the range lies beyond the body (416)
};

// The one range of bytes in a Range field ("bytes=FIRST-LAST", "bytes=FIRST-", "bytes=-SUFFIX");
// nothing for a field the server answers with the whole body: several ranges, another unit, or
// one that is malformed.
std::optional<ByteRange> byteRange(std::string_view field, uint64_t size);

}  // namespace pravix::stub
