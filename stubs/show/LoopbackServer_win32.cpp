// The loopback server on Winsock: non-blocking sockets polled by WSAPoll on one thread, so that
// no number of connections, idle or slow, holds another one up.
#include "stubs/show/LoopbackServer.h"

#include <ws2tcpip.h>

#include <algorithm>
#include <iterator>
#include <stdexcept>
#include <vector>

#include "platform/System.h"

namespace pravix::stub {
namespace {

constexpr int kPollMs = 200;
// While a reply waits for work beside the server, which cannot wake the poll, it looks this often.
constexpr int kWorkPollMs = 5;
constexpr uint64_t kAskMs = 50;

[[noreturn]] void fail(const char* what) {
  throw SystemError(what, WSAGetLastError());
}

bool wouldBlock() {
  return WSAGetLastError() == WSAEWOULDBLOCK;
}

}  // namespace

bool makeNonBlocking(SOCKET socket) {
  u_long on = 1;
  return ioctlsocket(socket, FIONBIO, &on) == 0;
}

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
  if (setsockopt(listener_.get(), SOL_SOCKET, SO_EXCLUSIVEADDRUSE,
                 reinterpret_cast<const char*>(&exclusive), sizeof exclusive) != 0) {
    fail("Cannot keep the port for this program alone");
  }
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
  if (!makeNonBlocking(listener_.get())) fail("Cannot make the port non-blocking");
}

void LoopbackServer::accept(RequestHandler& handler, uint64_t now) {
  for (;;) {
    Socket socket(::accept(listener_.get(), nullptr, nullptr));
    if (!socket) return;
    // A socket that would block would hold up every other connection: it is closed at once.
    if (!makeNonBlocking(socket.get())) continue;
    // Replies go out as soon as they are offered: with Nagle's rule, the second send of a reply
    // waits for the peer's delayed acknowledgement of the first, 40 ms a request. Without it they
    // are only slower, so a refusal changes nothing else.
    BOOL noDelay = TRUE;
    setsockopt(socket.get(), IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&noDelay),
               sizeof noDelay);
    if (peers_.size() >= limits_.connections) {
      const auto leaving = makingWay(
          peers_.begin(), peers_.end(), [](const Peer& peer) { return peer.closeBy != 0; },
          [](const Peer& peer) -> const HttpConnection& { return peer.connection; });
      if (leaving == peers_.end()) continue;
      peers_.erase(leaving);
    }
    peers_.push_back(Peer{std::move(socket), HttpConnection(handler, limits_, now)});
  }
}

bool LoopbackServer::exchange(Peer& peer, bool readable, uint64_t now) {
  HttpConnection& connection = peer.connection;
  char buffer[16 * 1024];
  // Each connection gets a share of every round, so that one fast peer cannot hold the others
  // up. While a reply is under way and the connection's buffer is full, its peer waits.
  for (size_t taken = 0; readable && taken < limits_.roundBytes && connection.room() > 0;) {
    const int wanted = static_cast<int>(std::min(sizeof buffer, connection.room()));
    const int got = recv(peer.socket.get(), buffer, wanted, 0);
    if (got == 0) {
      // A half-close: the requests already in are still answered.
      connection.inputEnded(now);
      break;
    }
    if (got < 0) {
      if (wouldBlock()) break;
      return false;
    }
    connection.received(std::string_view(buffer, static_cast<size_t>(got)), now);
    taken += static_cast<size_t>(got);
    // Less than asked for: the socket is empty now, and one call fewer a request is worth it
    // under Wine, where each goes to the server.
    if (got < wanted) break;
  }
  for (size_t put = 0; put < limits_.roundBytes;) {
    const std::string_view out = connection.pending(now);
    if (out.empty()) break;
    const int count = static_cast<int>(std::min(out.size(), limits_.roundBytes - put));
    const int sent = send(peer.socket.get(), out.data(), count, 0);
    if (sent < 0) {
      if (wouldBlock()) break;
      return false;
    }
    connection.sent(static_cast<size_t>(sent), now);
    put += static_cast<size_t>(sent);
  }
  if (connection.finished()) {
    // The last reply has gone out. Closing a socket with unread input resets the connection, and
    // the reset may overtake the reply: the peer's further bytes are read and dropped for a
    // while first, unless it has ended its side already.
    shutdown(peer.socket.get(), SD_SEND);
    if (connection.peerEnded()) return false;
    peer.closeBy = now + limits_.drainMs;
    return true;
  }
  return !connection.overdue(now);
}

bool LoopbackServer::drain(Peer& peer, uint64_t now) {
  char buffer[16 * 1024];
  for (size_t taken = 0; taken < limits_.roundBytes; taken += sizeof buffer) {
    const int got = recv(peer.socket.get(), buffer, sizeof buffer, 0);
    if (got == 0) return false;
    if (got < 0) return wouldBlock() && now < peer.closeBy;
  }
  return now < peer.closeBy;
}

void LoopbackServer::serve(RequestHandler& handler, const std::function<bool()>& keepServing) {
  std::vector<WSAPOLLFD> polled;
  // Asking is a system call or two: not more often than every 50 ms while requests keep coming.
  uint64_t asked = 0;
  for (;;) {
    const uint64_t before = GetTickCount64();
    if (before - asked >= kAskMs) {
      if (!keepServing()) return;
      asked = before;
    }
    polled.clear();
    polled.push_back(WSAPOLLFD{listener_.get(), POLLRDNORM, 0});
    int waitMs = kPollMs;
    for (Peer& peer : peers_) {
      SHORT events = 0;
      if (peer.closeBy != 0 || peer.connection.room() > 0) events |= POLLRDNORM;
      // Bodies are sent a chunk at a time: a connection with more to send waits to be writable.
      // One whose reply waits for work beside the server is asked again soon.
      if (peer.closeBy == 0 && peer.connection.awaitingWork()) {
        waitMs = kWorkPollMs;
      } else if (peer.closeBy == 0 && !peer.connection.waitingForPeer()) {
        events |= POLLWRNORM;
      }
      polled.push_back(WSAPOLLFD{peer.socket.get(), events, 0});
    }
    const int ready = WSAPoll(polled.data(), static_cast<ULONG>(polled.size()), waitMs);
    if (ready < 0) fail("The server stopped");
    const uint64_t now = GetTickCount64();
    size_t index = 1;
    for (auto peer = peers_.begin(); peer != peers_.end(); ++index) {
      const SHORT events = polled[index].revents;
      const bool readable = (events & (POLLRDNORM | POLLHUP | POLLERR)) != 0;
      const bool kept = peer->closeBy != 0
                            ? (!readable && now < peer->closeBy) || (readable && drain(*peer, now))
                            : exchange(*peer, readable, now);
      peer = kept ? std::next(peer) : peers_.erase(peer);
    }
    if (polled[0].revents != 0) accept(handler, now);
  }
}

}  // namespace pravix::stub
