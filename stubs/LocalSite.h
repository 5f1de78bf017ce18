// What the loopback server answers: a fixed set of names under a secret, for one Host. Free of
// Win32 so that the rules can be checked on any host.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "stubs/HttpRequest.h"

namespace pravix::stub {

// The server's limits, as data.
struct ServerLimits {
  size_t headerBytes = 16 * 1024;  // a longer header block is refused with 431
  unsigned headerSeconds = 10;     // for a header block, from its first byte to its end
  unsigned idleSeconds = 15;       // a connection with nothing to do is closed after these
  size_t connections = 48;         // at once; the oldest idle one makes way for a new one
  size_t chunkBytes = 64 * 1024;   // read from a file and sent at a time, per connection
};

// A file the site serves under its secret; "" is the page itself.
struct SiteFile {
  std::string name;
  std::string contentType;
  bool gzip = false;  // stored gzip-compressed, and sent so
  uint64_t size = 0;
};

// The name the page calls every second while it is open: answered with 204 and counted.
constexpr const char* kCallBackName = "alive";
// The name a full-screen page calls when the user is back: answered with 204, and the show ends.
constexpr const char* kEndName = "end";

struct Reply {
  int status = 0;
  std::string head;         // the status line and the fields, through the blank line
  size_t file = 0;          // the file the body comes from, when bodyLength > 0
  uint64_t bodyLength = 0;  // 0 for HEAD, for errors and for the call-back
  bool close = false;       // the connection ends after this reply
  bool callBack = false;    // the page called back
  bool end = false;         // the page asked for the end of the show
};

class LocalSite {
 public:
  // `secret`: the address's first path segment, letters and digits.
  LocalSite(std::string secret, uint16_t port, std::vector<SiteFile> files);

  // "http://127.0.0.1:PORT/SECRET/": the page.
  std::string address() const;

  Reply answer(const HttpRequest& request) const;
  // A refusal before there is a request to answer: 400 for a malformed one, 431 for one too
  // large; the connection ends after it.
  Reply refuse(int status) const;

  const std::vector<SiteFile>& files() const { return files_; }

 private:
  std::string secret_;
  std::string host_;  // "127.0.0.1:PORT"
  std::vector<SiteFile> files_;
};

// The content type the site gives a file name by its extension.
std::string contentTypeOf(const std::string& name);

}  // namespace pravix::stub
