// What the loopback server answers: the page, the movie and the web player's files under a
// secret, for one Host, and the page's calls to the show. Free of Win32 so that the rules can be
// checked on any host.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "stubs/HttpConnection.h"

namespace pravix::stub {

// The name the page calls every second while it is open: answered with 204.
constexpr const char* kCallBackName = "alive";
// The name a full-screen page calls when the user is back: answered with 204, and the show ends.
constexpr const char* kEndName = "end";

// What the page tells the program that shows it.
class ShowEvents {
 public:
  virtual void pageCalledBack() = 0;
  virtual void endAsked() = 0;

 protected:
  ~ShowEvents() = default;
};

// The bodies the site serves, as the program that shows the movie has them.
class SiteContent {
 public:
  virtual std::unique_ptr<Body> page() = 0;
  virtual std::unique_ptr<Body> movie() = 0;
  // One of the web player's files, stored gzip-compressed; null when there is none of that name.
  virtual std::unique_ptr<Body> playerFile(const std::string& name) = 0;

 protected:
  ~SiteContent() = default;
};

class LocalSite : public RequestHandler {
 public:
  // `secret`: the address's first path segment, letters and digits.
  LocalSite(std::string secret, uint16_t port, SiteContent& content, ShowEvents& events);

  // "http://127.0.0.1:PORT/SECRET/": the page.
  std::string address() const;

  Response respond(const HttpRequest& request) override;

 private:
  std::string secret_;
  std::string host_;  // "127.0.0.1:PORT"
  SiteContent& content_;
  ShowEvents& events_;
};

// The content type the site gives a file name by its extension.
std::string contentTypeOf(const std::string& name);

}  // namespace pravix::stub
