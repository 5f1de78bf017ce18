// The loopback server's sockets on Winsock: a socket the system will not make non-blocking is
// told, so that the loop never waits on one.
#include <gtest/gtest.h>

#include "stubs/show/LoopbackServer.h"

namespace pravix::stub {
namespace {

TEST(LoopbackServer, TellsWhetherASocketWasMadeNonBlocking) {
  const Winsock winsock;
  const Socket socket(WSASocketW(AF_INET, SOCK_STREAM, IPPROTO_TCP, nullptr, 0, 0));
  ASSERT_TRUE(socket);
  EXPECT_TRUE(makeNonBlocking(socket.get()));
  EXPECT_FALSE(makeNonBlocking(INVALID_SOCKET));
  // The server listens on a port of its own, which nobody else may take.
  const ServerLimits limits;
  const LoopbackServer server(limits);
  EXPECT_NE(server.port(), 0);
}

}  // namespace
}  // namespace pravix::stub
