// A site of known content for the server's tests and fuzzers, and a peer that feeds a connection
// as the server does: never more than it takes, every reply read as soon as it is offered.
#pragma once

#include <algorithm>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "stubs/HttpConnection.h"
#include "stubs/LocalSite.h"

namespace pravix::stub::test {

constexpr const char* kSecret = "0123456789abcdef0123456789abcdef";
constexpr uint16_t kPort = 4321;

// The page "<p>", the movie "FWS" and six more bytes, the icon "ico", one player file,
// "core.wasm": "gz!", one file beside, "extra-\xC3\xBC/part two.swf": "0123456789", and the saves
// of `saves`, if any.
class KnownContent : public SiteContent, public ShowEvents {
 public:
  explicit KnownContent(SaveStore* saves = nullptr) : saves_(saves) {}
  std::unique_ptr<Body> page() override { return std::make_unique<BytesBody>("<p>"); }
  std::unique_ptr<Body> movie() override { return std::make_unique<BytesBody>("FWS123456"); }
  std::unique_ptr<Body> icon() override { return std::make_unique<BytesBody>("ico"); }
  std::unique_ptr<Body> playerFile(const std::string& name) override {
    return name == "core.wasm" ? std::make_unique<BytesBody>("gz!") : nullptr;
  }
  std::unique_ptr<Body> besideFile(const std::string& path) override {
    return path == "extra-\xC3\xBC/part two.swf" ? std::make_unique<BytesBody>("0123456789")
                                                 : nullptr;
  }
  SaveStore* saves() override { return saves_; }
  void pageCalledBack() override { ++callBacks; }
  void endAsked() override { ++ends; }
  void execAsked(const std::string& name) override { programs.push_back(name); }

  int callBacks = 0;
  int ends = 0;
  std::vector<std::string> programs;

 private:
  SaveStore* saves_;
};

// What a peer gets for `input` sent `step` bytes at a time (and its side ended after it, with
// `halfClose`): the replies' bytes, in order.
inline std::string exchange(HttpConnection& connection, std::string_view input, size_t step,
                            bool halfClose = false) {
  std::string out;
  uint64_t now = 0;
  const auto readReplies = [&] {
    for (auto part = connection.pending(now); !part.empty(); part = connection.pending(now)) {
      out.append(part);
      connection.sent(part.size(), now);
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

}  // namespace pravix::stub::test
