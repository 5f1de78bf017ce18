// One connection of the loopback server: HTTP/1.1 framing, the requests it reads and the replies
// it sends, one after another. Free of sockets and clocks, so that the rules can be checked on any
// host: the server hands it what it received and the time, and sends what it offers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "stubs/http/HttpRequest.h"

namespace pravix::stub {

// The server's limits, as data.
struct ServerLimits {
  size_t headerBytes = 16 * 1024;       // a longer header block is refused with 431
  size_t bodyBytes = 16 * 1024 * 1024;  // a longer body is refused with 413, unread
  unsigned requestSeconds = 10;         // for a request, from its first byte to the end of its body
  unsigned idleSeconds = 15;            // a connection with nothing to do is closed after these
  unsigned sendSeconds = 10;            // for each chunk of a reply to go out
  unsigned workSeconds = 60;  // for a reply that work beside the server gives (LaterReply)
  unsigned drainMs = 1000;    // after the last reply, what the peer still sends is read and dropped
                              // this long, so that the close does not reset the reply away
  size_t connections = 48;    // at once; the one idle longest makes way for a new one
  size_t chunkBytes = 1024 * 1024;  // read from a body at a time, per connection
  size_t roundBytes =
      4 * 1024 * 1024;  // read from or sent to one connection in a round of the loop
};

// A reply's body, read a part at a time.
class Body {
 public:
  virtual ~Body() = default;
  virtual uint64_t size() const = 0;
  // Reads `count` bytes from `offset` into `buffer`; throws when it cannot.
  virtual void read(uint64_t offset, void* buffer, size_t count) = 0;
};

// Bytes that outlive the reply: the page, a resource of the program's image.
class BytesBody : public Body {
 public:
  explicit BytesBody(std::string_view bytes) : bytes_(bytes) {}
  uint64_t size() const override { return bytes_.size(); }
  void read(uint64_t offset, void* buffer, size_t count) override;

 private:
  std::string_view bytes_;
};

// Bytes of the reply's own, made for the request.
class OwnedBody : public Body {
 public:
  explicit OwnedBody(std::string bytes) : bytes_(std::move(bytes)) {}
  uint64_t size() const override { return bytes_.size(); }
  void read(uint64_t offset, void* buffer, size_t count) override {
    BytesBody(bytes_).read(offset, buffer, count);
  }

 private:
  std::string bytes_;
};

struct Response;

// A reply that work beside the server gives once it is done (a listing read from many files, a
// program's start), so that the server goes on meanwhile.
class LaterReply {
 public:
  virtual ~LaterReply() = default;
  // The reply once the work is done; nothing until then. Asked again until it gives one.
  virtual std::optional<Response> ready() = 0;
};

// `work` run on a thread of its own, which owns what it needs: its reply, or a 500 when it throws.
// Nothing waits for the thread: dropping the reply leaves the work to end on its own.
std::unique_ptr<LaterReply> replyLater(std::function<Response()> work);

// What a handler answers; the connection adds the framing fields.
struct Response {
  int status = 200;
  std::string contentType;     // none when empty
  bool gzip = false;           // the body is stored gzip-compressed, and sent so
  std::string fields;          // any further fields, each with its CRLF
  std::unique_ptr<Body> body;  // none: an empty body
  bool ranges = false;         // a Range asks for a part of the body (206), as for a video
  bool close = false;          // the connection ends after this reply
  // The reply is this one's, once it is ready; the fields above are then unused.
  std::unique_ptr<LaterReply> later;

  // A reply of `status` without a body.
  static Response withoutBody(int status, bool close);
};

class RequestHandler {
 public:
  virtual Response respond(const HttpRequest& request) = 0;

 protected:
  ~RequestHandler() = default;
};

class HttpConnection {
 public:
  // A connection accepted at `now` (milliseconds, of any clock the server keeps).
  HttpConnection(RequestHandler& handler, const ServerLimits& limits, uint64_t now);

  // How many bytes the connection takes now: none while its buffer is full behind a reply under
  // way, after a reply that closes it, or after the peer's end.
  size_t room() const;
  // Takes at most room() bytes the peer sent.
  void received(std::string_view bytes, uint64_t now);
  // The peer sends no more; the requests it completed are still answered.
  void inputEnded(uint64_t now);
  // What to send next, read from the reply's body as needed; empty when there is nothing to send.
  // A body whose first part cannot be read gives a 500 in its place; one that fails later ends the
  // connection (its length was promised already).
  std::string_view pending(uint64_t now);
  // `count` bytes of what pending() offered have gone out.
  void sent(size_t count, uint64_t now);

  // Whether the connection is done: its last reply has gone out, or it failed.
  bool finished() const { return finished_; }
  // Whether the peer has ended its side.
  bool peerEnded() const { return inputEnded_; }
  // Whether its reply waits for work beside the server: nothing to send until the work is done.
  bool awaitingWork() const { return later_ != nullptr; }
  // Whether the connection waits for its peer (no reply under way); such a connection may be
  // closed to make way for another.
  bool waitingForPeer() const { return !replying_ && !finished_; }
  // When the peer last sent a byte, or a reply last ended.
  uint64_t lastActivity() const { return lastActivity_; }
  // Whether a deadline has passed: a request unfinished after requestSeconds, a part of a reply
  // not gone out within sendSeconds, work not done within workSeconds, or nothing to do for
  // idleSeconds.
  bool overdue(uint64_t now) const;
  // The status of every reply so far, in order.
  const std::vector<int>& statuses() const { return statuses_; }

 private:
  // Answers the next complete request in the input, if there is one and no reply is under way.
  void answerNext(uint64_t now);
  void startReply(Response response, bool headOnly, bool keepAlive, uint64_t now);
  // The part of `response` that a Range field asks for, where it may.
  static void applyRange(Response& response, const std::string& range);

  RequestHandler& handler_;
  const ServerLimits& limits_;
  std::string input_;                // what the peer sent and no request has taken yet
  size_t scanned_ = 0;               // how far the current header block has been looked through
  std::optional<RequestHead> head_;  // a request whose body is still coming
  bool inputEnded_ = false;
  bool replying_ = false;
  bool closing_ = false;  // the reply under way is the last
  bool finished_ = false;
  std::string output_;  // the head and chunks of the body, from what is unsent
  size_t outputSent_ = 0;
  std::unique_ptr<Body> body_;
  std::unique_ptr<LaterReply> later_;  // with what its reply will need
  std::string laterRange_;
  bool laterHeadOnly_ = false;
  bool laterKeepAlive_ = false;
  uint64_t bodyOffset_ = 0;
  uint64_t bodyLeft_ = 0;
  uint64_t requestStart_ = 0;
  uint64_t partOffered_ = 0;
  uint64_t lastActivity_ = 0;
  std::vector<int> statuses_;
};

// Of the connections from `first` to `last`, the one that makes way for a new one when the server
// is full: one being drained (`draining(peer)`: its last reply has gone out), else the one that
// has waited longest for its peer (`connection(peer)`). One busy sending keeps its place: `last`
// when every one is, and the newcomer is turned away.
template <typename Iterator, typename Draining, typename ConnectionOf>
Iterator makingWay(Iterator first, Iterator last, Draining draining, ConnectionOf connection) {
  Iterator leaving = last;
  for (Iterator peer = first; peer != last; ++peer) {
    if (draining(*peer)) return peer;
    const HttpConnection& each = connection(*peer);
    if (each.waitingForPeer() &&
        (leaving == last || each.lastActivity() < connection(*leaving).lastActivity())) {
      leaving = peer;
    }
  }
  return leaving;
}

}  // namespace pravix::stub
