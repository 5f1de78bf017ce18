// A peer that feeds a connection as the server does, never more than it takes, every reply read as
// soon as it is offered; and request streams whose replies must not depend on how they are split.
#pragma once

#include <algorithm>
#include <chrono>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "stubs/http/HttpConnection.h"

namespace pravix::stub::test {

// What a peer gets for `input` sent `step` bytes at a time (and its side ended after it, with
// `halfClose`): the replies' bytes, in order. A reply that waits for work beside the server is
// waited for, as the server asks again until it is there.
inline std::string exchange(HttpConnection& connection, std::string_view input, size_t step,
                            bool halfClose = false) {
  std::string out;
  uint64_t now = 0;
  const auto readReplies = [&] {
    // Work that never ends shows as a reply missing from the statuses, after 10 s.
    for (int waits = 0; waits < 10000;) {
      const std::string_view part = connection.pending(now);
      if (!part.empty()) {
        out.append(part);
        connection.sent(part.size(), now);
      } else if (connection.awaitingWork()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        ++waits;
      } else {
        return;
      }
    }
  };
  while (!input.empty() && !connection.finished()) {
    const size_t count = std::min({step, input.size(), connection.room()});
    if (count == 0) break;  // it takes no more
    connection.received(input.substr(0, count), ++now);
    input.remove_prefix(count);
    readReplies();
  }
  if (halfClose) connection.inputEnded(++now);
  readReplies();
  return out;
}

// A stream of requests, and the statuses of its replies.
struct Stream {
  const char* what;
  std::string input;
  std::vector<int> statuses;
  bool halfClose = false;  // the peer ends its side after the stream
};

inline void PrintTo(const Stream& stream, std::ostream* out) {
  *out << stream.what;
}

// Sends `stream` whole, in parts of 7 bytes and a byte at a time, each time to a new connection
// of the handler that `withHandler` makes and hands to the function it is given: each time the
// stream's statuses, and the same bytes.
template <typename WithHandler>
void expectRepliesHoweverSplit(const Stream& stream, WithHandler withHandler) {
  const ServerLimits limits;
  std::string whole;
  for (size_t step : {stream.input.size(), size_t{7}, size_t{1}}) {
    withHandler([&](RequestHandler& handler) {
      HttpConnection connection(handler, limits, 0);
      const std::string out = exchange(connection, stream.input, step, stream.halfClose);
      EXPECT_EQ(connection.statuses(), stream.statuses) << stream.what << ", step " << step;
      if (step == stream.input.size()) whole = out;
      EXPECT_EQ(out, whole) << stream.what << ", step " << step;
    });
  }
}

}  // namespace pravix::stub::test
