// One connection's requests and replies, in order, a part of a body at a time.
#include "stubs/HttpConnection.h"

#include <algorithm>
#include <exception>

namespace pravix::stub {

HttpConnection::HttpConnection(const LocalSite& site, const ServerLimits& limits)
    : site_(site), limits_(limits) {}

void HttpConnection::received(std::string_view bytes) {
  if (closeAfter_ || finished_) return;
  // Never more than one header block's worth is kept.
  const size_t room = limits_.headerBytes + 1 - std::min(input_.size(), limits_.headerBytes + 1);
  input_.append(bytes.substr(0, room));
  if (!replying_) answerNext();
}

void HttpConnection::answerNext() {
  const HeaderBlock block = readHeaderBlock(input_, limits_.headerBytes);
  Reply reply;
  switch (block.status) {
    case HeaderBlock::Status::Incomplete:
      return;
    case HeaderBlock::Status::TooLarge:
      reply = site_.refuse(431);
      break;
    case HeaderBlock::Status::Malformed:
      reply = site_.refuse(400);
      break;
    case HeaderBlock::Status::Complete:
      reply = site_.answer(block.request);
      break;
  }
  input_.erase(0, block.length);
  statuses_.push_back(reply.status);
  if (reply.callBack) ++callBacks_;
  if (reply.end) endAsked_ = true;
  replying_ = true;
  closeAfter_ = reply.close;
  if (closeAfter_) input_.clear();
  output_ = std::move(reply.head);
  outputSent_ = 0;
  file_ = reply.file;
  bodyOffset_ = 0;
  bodyLeft_ = reply.bodyLength;
}

std::string_view HttpConnection::pending(SiteContent& content) {
  if (finished_ || !replying_) return {};
  if (outputSent_ == output_.size() && bodyLeft_ > 0) {
    const auto count = static_cast<size_t>(std::min<uint64_t>(bodyLeft_, limits_.chunkBytes));
    output_.resize(count);
    try {
      content.read(file_, bodyOffset_, output_.data(), count);
    } catch (const std::exception&) {
      finished_ = true;
      return {};
    }
    outputSent_ = 0;
    bodyOffset_ += count;
    bodyLeft_ -= count;
  }
  return std::string_view(output_).substr(outputSent_);
}

void HttpConnection::sent(size_t count) {
  outputSent_ = std::min(output_.size(), outputSent_ + count);
  if (outputSent_ < output_.size() || bodyLeft_ > 0) return;
  replying_ = false;
  if (closeAfter_) {
    finished_ = true;
    return;
  }
  // Keep the buffer's memory for the next body, not its bytes.
  output_.clear();
  outputSent_ = 0;
  answerNext();
}

bool HttpConnection::waitingForPeer() const {
  return !replying_ && !finished_;
}

}  // namespace pravix::stub
