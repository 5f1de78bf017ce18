// The stubs' web server on 127.0.0.1: a port the system picks, the site's rules, and many
// connections at once on one thread.
#pragma once

#include <winsock2.h>

#include <cstdint>
#include <functional>
#include <list>
#include <string>

#include "platform/Handle.h"
#include "stubs/HttpConnection.h"

namespace pravix::stub {

// Winsock, started for as long as the object lives.
class Winsock {
 public:
  Winsock();  // SystemError when it cannot start
  ~Winsock();
  Winsock(const Winsock&) = delete;
  Winsock& operator=(const Winsock&) = delete;
};

class LoopbackServer {
 public:
  // Listens on 127.0.0.1 on a port the system picks; SystemError, with the system's
  // reason when it cannot.
  explicit LoopbackServer(const ServerLimits& limits);

  uint16_t port() const { return port_; }

  // Serves `site` until `keepServing` says no; it is asked at least every 200 ms.
  void serve(const LocalSite& site, SiteContent& content, const std::function<bool()>& keepServing);

  // When the page last called back (GetTickCount64), or 0 when it never has.
  uint64_t lastCallBack() const { return lastCallBack_; }
  // Whether a page asked for the end of the show.
  bool endAsked() const { return endAsked_; }

 private:
  struct Peer {
    Socket socket;
    HttpConnection connection;
    uint64_t lastProgress;      // a byte received or sent
    uint64_t requestStart = 0;  // the first byte of a header block not yet ended
  };

  void accept(const LocalSite& site, uint64_t now);
  // Reads and sends what the socket allows now; false when the connection is done.
  bool exchange(Peer& peer, SiteContent& content, bool readable, uint64_t now);

  ServerLimits limits_;
  Winsock winsock_;
  Socket listener_;
  uint16_t port_ = 0;
  std::list<Peer> peers_;
  uint64_t lastCallBack_ = 0;
  bool endAsked_ = false;
};

}  // namespace pravix::stub
