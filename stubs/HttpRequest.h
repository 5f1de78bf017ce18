// An HTTP/1.x request's header block as the loopback server reads it. Free of Win32 so that the
// rules can be checked on any host.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace pravix::stub {

struct HttpRequest {
  std::string method;
  std::string target;  // as sent: "/secret/name"
  std::string host;    // empty when there is none
  bool hostRepeated = false;
  bool hasBody = false;  // a Content-Length other than 0, or a Transfer-Encoding
  bool keepAlive = true;
};

struct HeaderBlock {
  enum class Status { Incomplete, Complete, TooLarge, Malformed };
  Status status = Status::Incomplete;
  HttpRequest request;
  size_t length = 0;  // of the block with its blank line, when complete
};

// Reads the header block at the start of `input`, which holds at most `limit` bytes of it: one
// that has not ended within `limit` bytes is too large. Lines end in CRLF or a bare LF.
HeaderBlock readHeaderBlock(std::string_view input, size_t limit);

}  // namespace pravix::stub
