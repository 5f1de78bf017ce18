// The loopback server on Winsock: non-blocking sockets polled by WSAPoll on one thread, so that
// no number of connections, idle or slow, holds another one up.
#include "stubs/LoopbackServer.h"

#include <ws2tcpip.h>

#include <stdexcept>
#include <vector>

#include "platform/System.h"

namespace pravix::stub {
namespace {

constexpr int kPollMs = 200;

[[noreturn]] void fail(const char* what) {
  throw SystemError(what, WSAGetLastError());
}

bool wouldBlock() {
  return WSAGetLastError() == WSAEWOULDBLOCK;
}

void setNonBlocking(SOCKET socket) {
  u_long on = 1;
  ioctlsocket(socket, FIONBIO, &on);
}

}  // namespace

Winsock::Winsock() {
  WSADATA data{};
  const int error = WSAStartup(MAKEWORD(2, 2), &data);
  if (error != 0) throw SystemError("Cannot start Winsock", error);
}

Winsock::~Winsock() {
  WSACleanup();
}

LoopbackServer::LoopbackServer(const ServerLimits& limits) : limits_(limits) {
  listener_.reset(WSASocketW(AF_INET, SOCK_STREAM, IPPROTO_TCP, nullptr, 0,
                             WSA_FLAG_OVERLAPPED | WSA_FLAG_NO_HANDLE_INHERIT));
  if (!listener_) fail("Cannot make a socket");
  // No other program may take over the port while we listen on it.
  BOOL exclusive = TRUE;
  setsockopt(listener_.get(), SOL_SOCKET, SO_EXCLUSIVEADDRUSE,
             reinterpret_cast<const char*>(&exclusive), sizeof exclusive);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  if (bind(listener_.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    fail("Cannot open a port on 127.0.0.1");
  }
  if (listen(listener_.get(), SOMAXCONN) != 0) fail("Cannot listen on 127.0.0.1");
  int size = sizeof address;
  if (getsockname(listener_.get(), reinterpret_cast<sockaddr*>(&address), &size) != 0) {
    fail("Cannot read the port");
  }
  port_ = ntohs(address.sin_port);
  setNonBlocking(listener_.get());
}

void LoopbackServer::accept(const LocalSite& site, uint64_t now) {
  for (;;) {
    Socket socket(::accept(listener_.get(), nullptr, nullptr));
    if (!socket) return;
    setNonBlocking(socket.get());
    if (peers_.size() >= limits_.connections) {
      // Full: the connection that has waited longest for its peer makes way. One that is busy
      // sending keeps its place; with every place busy the newcomer is turned away.
      auto oldest = peers_.end();
      for (auto peer = peers_.begin(); peer != peers_.end(); ++peer) {
        if (peer->connection.waitingForPeer() &&
            (oldest == peers_.end() || peer->lastProgress < oldest->lastProgress)) {
          oldest = peer;
        }
      }
      if (oldest == peers_.end()) continue;
      peers_.erase(oldest);
    }
    peers_.push_back(Peer{std::move(socket), HttpConnection(site, limits_), now});
  }
}

bool LoopbackServer::exchange(Peer& peer, SiteContent& content, bool readable, uint64_t now) {
  HttpConnection& connection = peer.connection;
  if (readable) {
    char buffer[16 * 1024];
    for (;;) {
      const int got = recv(peer.socket.get(), buffer, sizeof buffer, 0);
      if (got == 0) return false;
      if (got < 0) {
        if (wouldBlock()) break;
        return false;
      }
      peer.lastProgress = now;
      if (!connection.insideRequest()) peer.requestStart = now;
      connection.received(std::string_view(buffer, static_cast<size_t>(got)));
    }
  }
  for (std::string_view out = connection.pending(content); !out.empty();
       out = connection.pending(content)) {
    const int put = send(peer.socket.get(), out.data(), static_cast<int>(out.size()), 0);
    if (put < 0) {
      if (wouldBlock()) break;
      return false;
    }
    peer.lastProgress = now;
    connection.sent(static_cast<size_t>(put));
  }
  if (connection.takeCallBacks() > 0) lastCallBack_ = now;
  if (connection.endAsked()) endAsked_ = true;
  if (connection.finished()) {
    // The refusal has gone out; a peer still sending gets its reply before the reset.
    shutdown(peer.socket.get(), SD_SEND);
    return false;
  }
  const uint64_t idleMs = uint64_t{limits_.idleSeconds} * 1000;
  const uint64_t headerMs = uint64_t{limits_.headerSeconds} * 1000;
  if (now - peer.lastProgress > idleMs) return false;
  return !(connection.insideRequest() && now - peer.requestStart > headerMs);
}

void LoopbackServer::serve(const LocalSite& site, SiteContent& content,
                           const std::function<bool()>& keepServing) {
  std::vector<WSAPOLLFD> polled;
  while (keepServing()) {
    polled.clear();
    polled.push_back(WSAPOLLFD{listener_.get(), POLLRDNORM, 0});
    for (Peer& peer : peers_) {
      // Bodies are sent a part at a time: a connection with more to send waits to be writable.
      const bool sending = !peer.connection.waitingForPeer();
      polled.push_back(WSAPOLLFD{peer.socket.get(),
                                 static_cast<SHORT>(POLLRDNORM | (sending ? POLLWRNORM : 0)), 0});
    }
    const int ready = WSAPoll(polled.data(), static_cast<ULONG>(polled.size()), kPollMs);
    if (ready < 0) fail("The server stopped");
    const uint64_t now = GetTickCount64();
    size_t index = 1;
    for (auto peer = peers_.begin(); peer != peers_.end(); ++index) {
      const SHORT events = polled[index].revents;
      const bool readable = (events & (POLLRDNORM | POLLHUP | POLLERR)) != 0;
      if (exchange(*peer, content, readable, now)) {
        ++peer;
      } else {
        peer = peers_.erase(peer);
      }
    }
    if (polled[0].revents != 0) accept(site, now);
  }
}

}  // namespace pravix::stub
