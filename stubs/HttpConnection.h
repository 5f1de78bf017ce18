// One connection of the loopback server: the requests it reads and the replies it sends, one
// after another. Free of sockets, so that the rules can be checked on any host: the server hands
// it what it received and sends what it offers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "stubs/LocalSite.h"

namespace pravix::stub {

// Where the bodies come from: the site's files, read a part at a time.
class SiteContent {
 public:
  virtual ~SiteContent() = default;
  // Reads `count` bytes of file `file` from `offset` into `buffer`; throws when it cannot.
  virtual void read(size_t file, uint64_t offset, void* buffer, size_t count) = 0;
};

class HttpConnection {
 public:
  HttpConnection(const LocalSite& site, const ServerLimits& limits);

  // Takes bytes the peer sent. Requests after a reply that closes the connection are ignored.
  void received(std::string_view bytes);
  // What to send next, read from `content` as needed; empty when there is nothing to send. A
  // failure to read the body ends the connection (its length was promised already).
  std::string_view pending(SiteContent& content);
  // `count` bytes of what pending() offered have gone out.
  void sent(size_t count);

  // Whether the connection is to be closed: its last reply has gone out, or it failed.
  bool finished() const { return finished_; }
  // Whether the connection waits for its peer (no reply under way); such a connection may be
  // closed to make way for another.
  bool waitingForPeer() const;
  // Whether a request has begun but its header block has not ended.
  bool insideRequest() const { return !input_.empty() && !replying_; }
  // How often the page called back on this connection since the last look; resets the count.
  unsigned takeCallBacks() { return std::exchange(callBacks_, 0u); }
  // Whether the page asked for the end of the show on this connection.
  bool endAsked() const { return endAsked_; }
  // The status of every reply so far, in order.
  const std::vector<int>& statuses() const { return statuses_; }

 private:
  // Answers the next complete request in the input, if there is one.
  void answerNext();

  const LocalSite& site_;
  const ServerLimits& limits_;
  std::string input_;
  bool replying_ = false;
  bool closeAfter_ = false;
  bool finished_ = false;
  std::string output_;  // the head, then parts of the body
  size_t outputSent_ = 0;
  size_t file_ = 0;
  uint64_t bodyOffset_ = 0;
  uint64_t bodyLeft_ = 0;
  unsigned callBacks_ = 0;
  bool endAsked_ = false;
  std::vector<int> statuses_;
};

}  // namespace pravix::stub
