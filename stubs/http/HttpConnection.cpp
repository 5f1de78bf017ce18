// One connection's requests and replies, in order: header blocks read incrementally, bodies by
// their length, replies framed here and sent a chunk at a time.
#include "stubs/http/HttpConnection.h"

#include <algorithm>
#include <chrono>
#include <exception>
#include <future>
#include <thread>
#include <utility>

namespace pravix::stub {
namespace {

const char* reason(int status) {
  switch (status) {
    case 200:
      return "OK";
    case 202:
      return "Accepted";
    case 204:
      return "No Content";
    case 206:
      return "Partial Content";
    case 400:
      return "Bad Request";
    case 403:
      return "Forbidden";
    case 404:
      return "Not Found";
    case 405:
      return "Method Not Allowed";
    case 409:
      return "Conflict";
    case 413:
      return "Content Too Large";
    case 416:
      return "Range Not Satisfiable";
    case 421:
      return "Misdirected Request";
    case 431:
      return "Request Header Fields Too Large";
    case 500:
      return "Internal Server Error";
    default:
      return "Error";
  }
}

// The leading blank lines before a request (robustness: some clients end a body with CRLF).
size_t blankLinesAtStart(std::string_view input) {
  size_t at = 0;
  for (;;) {
    if (at < input.size() && input[at] == '\n') {
      ++at;
    } else if (at + 1 < input.size() && input[at] == '\r' && input[at + 1] == '\n') {
      at += 2;
    } else {
      return at;
    }
  }
}

// The bytes `first` to `first + length` of another body.
class PartOfBody : public Body {
 public:
  PartOfBody(std::unique_ptr<Body> whole, uint64_t first, uint64_t length)
      : whole_(std::move(whole)), first_(first), length_(length) {}
  uint64_t size() const override { return length_; }
  void read(uint64_t offset, void* buffer, size_t count) override {
    whole_->read(first_ + offset, buffer, count);
  }

 private:
  std::unique_ptr<Body> whole_;
  uint64_t first_;
  uint64_t length_;
};

}  // namespace

void BytesBody::read(uint64_t offset, void* buffer, size_t count) {
  bytes_.substr(static_cast<size_t>(offset), count).copy(static_cast<char*>(buffer), count);
}

std::unique_ptr<LaterReply> replyLater(std::function<Response()> work) {
  class ThreadReply : public LaterReply {
   public:
    explicit ThreadReply(std::future<Response> reply) : reply_(std::move(reply)) {}
    std::optional<Response> ready() override {
      if (reply_.wait_for(std::chrono::seconds(0)) != std::future_status::ready)
        return std::nullopt;
      return reply_.get();
    }

   private:
    std::future<Response> reply_;
  };
  std::promise<Response> promise;
  auto reply = std::make_unique<ThreadReply>(promise.get_future());
  std::thread([work = std::move(work), promise = std::move(promise)]() mutable {
    try {
      promise.set_value(work());
    } catch (...) {
      promise.set_value(Response::withoutBody(500, false));
    }
  }).detach();
  return reply;
}

Response Response::withoutBody(int status, bool close) {
  Response response;
  response.status = status;
  response.close = close;
  return response;
}

HttpConnection::HttpConnection(RequestHandler& handler, const ServerLimits& limits, uint64_t now)
    : handler_(handler), limits_(limits), lastActivity_(now) {}

size_t HttpConnection::room() const {
  if (finished_ || closing_ || inputEnded_) return 0;
  // A body is taken whole before it is answered; otherwise one header block at most waits.
  const size_t wanted = head_ ? static_cast<size_t>(head_->bodyLength) : limits_.headerBytes;
  return wanted - std::min(wanted, input_.size());
}

void HttpConnection::received(std::string_view bytes, uint64_t now) {
  if (bytes.empty() || room() == 0) return;
  if (!replying_ && !head_ && input_.empty()) requestStart_ = now;
  lastActivity_ = now;
  input_.append(bytes.substr(0, room()));
  answerNext(now);
}

void HttpConnection::inputEnded(uint64_t now) {
  inputEnded_ = true;
  answerNext(now);
}

void HttpConnection::answerNext(uint64_t now) {
  if (replying_ || finished_) return;
  if (!head_) {
    const size_t blank = blankLinesAtStart(input_);
    input_.erase(0, blank);
    scanned_ -= std::min(scanned_, blank);
    if (input_ == "\r" && !inputEnded_)
      return;  // a blank line's CR, or a request line's first byte
    const size_t length = headerBlockLength(input_, scanned_);
    if (length == 0 || length > limits_.headerBytes) {
      if (input_.size() >= limits_.headerBytes) {
        startReply(Response::withoutBody(431, true), false, false, now);
      } else if (inputEnded_) {
        finished_ = true;  // a request the peer will never end
      }
      return;
    }
    head_ = parseHeaderBlock(std::string_view(input_).substr(0, length));
    input_.erase(0, length);
    scanned_ = 0;
    // Nothing after a request whose framing is in doubt is read as a request.
    if (!head_) return startReply(Response::withoutBody(400, true), false, false, now);
    if (head_->bodyLength > limits_.bodyBytes) {
      head_.reset();
      return startReply(Response::withoutBody(413, true), false, false, now);
    }
  }
  if (input_.size() < head_->bodyLength) {
    if (inputEnded_) finished_ = true;
    return;
  }
  HttpRequest& request = head_->request;
  request.body = input_.substr(0, static_cast<size_t>(head_->bodyLength));
  input_.erase(0, static_cast<size_t>(head_->bodyLength));
  Response response = handler_.respond(request);
  const bool headOnly = request.method == "HEAD";
  const bool keepAlive = request.keepAlive;
  if (response.later) {
    later_ = std::move(response.later);
    laterRange_ = std::move(request.range);
    laterHeadOnly_ = headOnly;
    laterKeepAlive_ = keepAlive;
    head_.reset();
    replying_ = true;
    partOffered_ = now;
    return;
  }
  applyRange(response, request.range);
  head_.reset();
  startReply(std::move(response), headOnly, keepAlive, now);
}

void HttpConnection::applyRange(Response& response, const std::string& range) {
  if (!response.ranges) return;
  response.fields += "Accept-Ranges: bytes\r\n";
  if (range.empty() || response.status != 200) return;
  const uint64_t size = response.body ? response.body->size() : 0;
  const std::optional<ByteRange> part = byteRange(range, size);
  if (!part) return;
  const std::string total = "/" + std::to_string(size) + "\r\n";
  if (part->length == 0) {
    response.status = 416;
    response.fields += "Content-Range: bytes *" + total;
    response.body.reset();
    return;
  }
  response.status = 206;
  response.fields += "Content-Range: bytes " + std::to_string(part->first) + "-" +
                     std::to_string(part->first + part->length - 1) + total;
  response.body = std::make_unique<PartOfBody>(std::move(response.body), part->first, part->length);
}

void HttpConnection::startReply(Response response, bool headOnly, bool keepAlive, uint64_t now) {
  closing_ = response.close || !keepAlive;
  // What follows a reply that closes the connection is never read.
  if (closing_) input_.clear();
  statuses_.push_back(response.status);
  const uint64_t length = response.body ? response.body->size() : 0;
  output_ = "HTTP/1.1 " + std::to_string(response.status) + " " + reason(response.status) + "\r\n";
  if (!response.contentType.empty()) output_ += "Content-Type: " + response.contentType + "\r\n";
  // A 204 has no body, and says nothing of its length.
  if (response.status != 204) output_ += "Content-Length: " + std::to_string(length) + "\r\n";
  if (response.gzip) output_ += "Content-Encoding: gzip\r\n";
  output_ += response.fields;
  output_ += "Cache-Control: no-store\r\nX-Content-Type-Options: nosniff\r\nConnection: ";
  output_ += closing_ ? "close\r\n\r\n" : "keep-alive\r\n\r\n";
  outputSent_ = 0;
  body_ = headOnly ? nullptr : std::move(response.body);
  bodyOffset_ = 0;
  bodyLeft_ = body_ ? length : 0;
  replying_ = true;
  partOffered_ = now;
}

std::string_view HttpConnection::pending(uint64_t now) {
  if (finished_ || !replying_) return {};
  if (later_) {
    std::optional<Response> response = later_->ready();
    if (!response) return {};
    later_.reset();
    applyRange(*response, laterRange_);
    startReply(std::move(*response), laterHeadOnly_, laterKeepAlive_, now);
  }
  // The body goes a chunk at a time, each once the last has gone out; the first joins the head,
  // so that a small reply goes out in one piece.
  if (bodyLeft_ > 0 && (outputSent_ == output_.size() || bodyOffset_ == 0)) {
    output_.erase(0, outputSent_);
    outputSent_ = 0;
    const size_t start = output_.size();
    const auto count = static_cast<size_t>(std::min<uint64_t>(bodyLeft_, limits_.chunkBytes));
    output_.resize(start + count);
    try {
      body_->read(bodyOffset_, output_.data() + start, count);
    } catch (const std::exception&) {
      if (bodyOffset_ != 0 || outputSent_ != 0) {
        // Part of the reply has gone out, its length promised: only the close can tell.
        finished_ = true;
        return {};
      }
      // Nothing has gone out yet: the peer hears of the failure.
      statuses_.pop_back();
      startReply(Response::withoutBody(500, true), false, false, now);
      return pending(now);
    }
    bodyOffset_ += count;
    bodyLeft_ -= count;
    partOffered_ = now;
  }
  return std::string_view(output_).substr(outputSent_);
}

void HttpConnection::sent(size_t count, uint64_t now) {
  outputSent_ = std::min(output_.size(), outputSent_ + count);
  if (outputSent_ < output_.size() || bodyLeft_ > 0) return;
  replying_ = false;
  body_.reset();
  lastActivity_ = now;
  if (closing_) {
    finished_ = true;
    return;
  }
  // Keep the buffer's memory for the next body, not its bytes.
  output_.clear();
  outputSent_ = 0;
  requestStart_ = now;
  answerNext(now);
}

bool HttpConnection::overdue(uint64_t now) const {
  if (finished_) return false;
  if (later_) return now - partOffered_ > uint64_t{limits_.workSeconds} * 1000;
  if (replying_) return now - partOffered_ > uint64_t{limits_.sendSeconds} * 1000;
  if (head_ || !input_.empty())
    return now - requestStart_ > uint64_t{limits_.requestSeconds} * 1000;
  return now - lastActivity_ > uint64_t{limits_.idleSeconds} * 1000;
}

}  // namespace pravix::stub
