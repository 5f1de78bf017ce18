// The stubs' web server on 127.0.0.1: a port the system picks, the site's rules, and many
// connections at once on one thread.
#pragma once

#include <winsock2.h>

#include <cstdint>
#include <functional>
#include <list>
#include <string>

#include "platform/Handle.h"
#include "stubs/http/HttpConnection.h"

namespace pravix::stub {

// Winsock, started for as long as the object lives.
class Winsock {
 public:
  Winsock();  // SystemError when it cannot start
  ~Winsock();
  Winsock(const Winsock&) = delete;
  Winsock& operator=(const Winsock&) = delete;
};

// Makes `socket` return at once from every call; false when the system refuses.
bool makeNonBlocking(SOCKET socket);

class LoopbackServer {
 public:
  // Listens on 127.0.0.1 on a port the system picks; SystemError, with the system's
  // reason when it cannot.
  explicit LoopbackServer(const ServerLimits& limits);

  uint16_t port() const { return port_; }

  // Serves `handler` until `keepServing` says no; it is asked every 50 to 250 ms.
  void serve(RequestHandler& handler, const std::function<bool()>& keepServing);

 private:
  struct Peer {
    Socket socket;
    HttpConnection connection;
    uint64_t closeBy = 0;  // once the last reply has gone out: the end of the drain
  };

  void accept(RequestHandler& handler, uint64_t now);
  // Reads and sends what the socket allows now, within one round's share; false when the
  // connection is done.
  bool exchange(Peer& peer, bool readable, uint64_t now);
  // Reads and drops what a peer sends after its last reply; false when it is done.
  bool drain(Peer& peer, uint64_t now);

  ServerLimits limits_;
  Winsock winsock_;
  Socket listener_;
  uint16_t port_ = 0;
  std::list<Peer> peers_;
};

}  // namespace pravix::stub
