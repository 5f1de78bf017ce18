// What the loopback server answers: the page, the movie, the web player's files, the movie's saves
// and the files beside the program under a secret, for one Host, and the page's calls to the show.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "stubs/http/HttpConnection.h"
#include "stubs/site/SaveStore.h"

namespace pravix::stub {

// What the page tells the program that shows it.
class ShowEvents {
 public:
  virtual void pageCalledBack() = 0;
  virtual void endAsked() = 0;
  // The movie asked to run the program `name` (a plain file name): nothing when there is no such
  // program that it may start; else its start, which runs beside the server and throws
  // SystemError when it fails.
  virtual std::optional<std::function<void()>> execAsked(const std::string& name) = 0;

 protected:
  ~ShowEvents() = default;
};

// The bodies and the saves the site serves, as the program that shows the movie has them.
class SiteContent {
 public:
  virtual std::unique_ptr<Body> page() = 0;
  virtual std::unique_ptr<Body> movie() = 0;
  virtual std::unique_ptr<Body> icon() = 0;
  // One of the web player's files, stored gzip-compressed; null when there is none of that name.
  virtual std::unique_ptr<Body> playerFile(const std::string& name) = 0;
  // A file beside the program at `path` (plain names separated by "/"); null when there is none.
  virtual std::unique_ptr<Body> besideFile(const std::string& path) = 0;
  // Where the movie's saves are kept; null when they are not.
  virtual SaveStore* saves() = 0;

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
  // What writes, or starts a program: only the page's own requests.
  Response change(const HttpRequest& request, const std::string& name);
  Response changeSave(const HttpRequest& request, const std::string& name);

  std::string secret_;
  std::string host_;  // "127.0.0.1:PORT"
  SiteContent& content_;
  ShowEvents& events_;
};

}  // namespace pravix::stub
