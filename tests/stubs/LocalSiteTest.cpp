// The loopback server's rules without sockets: the header block, the site's answers and
// refusals, and one connection's replies, bodies a part at a time.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "stubs/HttpConnection.h"
#include "stubs/HttpRequest.h"
#include "stubs/LocalSite.h"

namespace pravix::stub {
namespace {

constexpr const char* kSecret = "0123456789abcdef0123456789abcdef";

LocalSite site() {
  return LocalSite(kSecret, 4321,
                   {{"", "text/html; charset=utf-8", false, 5},
                    {"movie.swf", "application/x-shockwave-flash", false, 10},
                    {"core.wasm", "application/wasm", true, 3}});
}

std::string get(const std::string& target, const std::string& fields = "Host: 127.0.0.1:4321\r\n",
                const char* method = "GET") {
  return std::string(method) + " " + target + " HTTP/1.1\r\n" + fields + "\r\n";
}

// The status the site gives a raw request.
int statusOf(const std::string& raw) {
  const HeaderBlock block = readHeaderBlock(raw, 16 * 1024);
  if (block.status == HeaderBlock::Status::TooLarge) return site().refuse(431).status;
  if (block.status != HeaderBlock::Status::Complete) return site().refuse(400).status;
  return site().answer(block.request).status;
}

struct Case {
  const char* what;
  std::string request;
  int status;
};

class SiteAnswers : public ::testing::TestWithParam<Case> {};

TEST_P(SiteAnswers, WithTheStatusOfItsRules) {
  EXPECT_EQ(statusOf(GetParam().request), GetParam().status) << GetParam().request;
}

const std::string kPage = std::string("/") + kSecret + "/";
const std::string kHost = "Host: 127.0.0.1:4321\r\n";

INSTANTIATE_TEST_SUITE_P(
    Rules, SiteAnswers,
    ::testing::Values(
        Case{"page", get(kPage), 200}, Case{"movie", get(kPage + "movie.swf"), 200},
        Case{"query ignored", get(kPage + "core.wasm?1"), 200},
        Case{"head", get(kPage + "movie.swf", kHost, "HEAD"), 200},
        Case{"call back", get(kPage + "alive"), 204}, Case{"end", get(kPage + "end"), 204},
        Case{"host in any case", get(kPage, "hOsT:  127.0.0.1:4321 \r\n"), 200},
        Case{"bare LF", "GET " + kPage + " HTTP/1.0\nHost: 127.0.0.1:4321\n\n", 200},
        Case{"rebinding host", get(kPage, "Host: evil.example:4321\r\n"), 421},
        Case{"other port", get(kPage, "Host: 127.0.0.1:4322\r\n"), 421},
        Case{"localhost", get(kPage, "Host: localhost:4321\r\n"), 421},
        Case{"no host", get(kPage, ""), 421}, Case{"two hosts", get(kPage, kHost + kHost), 421},
        Case{"no secret", get("/movie.swf"), 404},
        Case{"wrong secret", get("/0123456789abcdef0123456789abcdee/movie.swf"), 404},
        Case{"secret without slash", get(std::string("/") + kSecret), 404},
        Case{"unknown name", get(kPage + "movie.swf.map"), 404},
        Case{"dot segments", get(kPage + "../" + kSecret + "/movie.swf"), 404},
        Case{"absolute form", get("http://127.0.0.1:4321" + kPage), 404},
        Case{"post", get(kPage, kHost, "POST"), 405}, Case{"put", get(kPage, kHost, "PUT"), 405},
        Case{"options", get("*", kHost, "OPTIONS"), 405},
        Case{"body", get(kPage, kHost + "Content-Length: 4\r\n"), 400},
        Case{"chunked", get(kPage, kHost + "Transfer-Encoding: chunked\r\n"), 400},
        Case{"http 2", "GET " + kPage + " HTTP/2.0\r\n" + kHost + "\r\n", 400},
        Case{"no version", "GET " + kPage + "\r\n" + kHost + "\r\n", 400},
        Case{"folded field", get(kPage, kHost + " folded\r\n"), 400},
        Case{"blank in name", get(kPage, "Host : 127.0.0.1:4321\r\n"), 400},
        Case{"over 16 KiB", get(kPage, kHost + "X: " + std::string(16 * 1024, 'a') + "\r\n"),
             431}));

TEST(HeaderBlock, EndsExactlyAtTheLimit) {
  const std::string head = get(kPage);
  EXPECT_EQ(readHeaderBlock(head, head.size()).status, HeaderBlock::Status::Complete);
  EXPECT_EQ(readHeaderBlock(head, head.size() - 1).status, HeaderBlock::Status::TooLarge);
  EXPECT_EQ(readHeaderBlock(head.substr(0, head.size() - 1), head.size()).status,
            HeaderBlock::Status::Incomplete);
}

TEST(LocalSite, RepliesCarryTheirTypeLengthEncodingAndTheFieldsOfEveryReply) {
  EXPECT_EQ(site().address(), std::string("http://127.0.0.1:4321/") + kSecret + "/");
  const Reply wasm = site().answer(readHeaderBlock(get(kPage + "core.wasm"), 1024).request);
  EXPECT_EQ(wasm.head,
            "HTTP/1.1 200 OK\r\nContent-Type: application/wasm\r\nContent-Length: 3\r\n"
            "Content-Encoding: gzip\r\nCache-Control: no-store\r\nX-Content-Type-Options: "
            "nosniff\r\nConnection: keep-alive\r\n\r\n");
  EXPECT_EQ(wasm.file, 2u);
  EXPECT_EQ(wasm.bodyLength, 3u);
  const Reply refused = site().refuse(404);
  EXPECT_EQ(refused.head,
            "HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\nCache-Control: no-store\r\n"
            "X-Content-Type-Options: nosniff\r\nConnection: close\r\n\r\n");
  EXPECT_TRUE(refused.close);
  const Reply head = site().answer(
      readHeaderBlock(get(kPage + "movie.swf", kHost + "Connection: close\r\n", "HEAD"), 1024)
          .request);
  EXPECT_EQ(head.bodyLength, 0u);
  EXPECT_TRUE(head.close);
}

TEST(LocalSite, ContentTypesFollowTheExtension) {
  EXPECT_EQ(contentTypeOf("ruffle.js"), "text/javascript");
  EXPECT_EQ(contentTypeOf("a.wasm"), "application/wasm");
  EXPECT_EQ(contentTypeOf("movie.swf"), "application/x-shockwave-flash");
  EXPECT_EQ(contentTypeOf(""), "text/html; charset=utf-8");
  EXPECT_EQ(contentTypeOf("wasm"), "application/octet-stream");
}

// Files of known bytes: file i holds 'a' + i, its offset's low byte mixed in.
class FakeContent : public SiteContent {
 public:
  void read(size_t file, uint64_t offset, void* buffer, size_t count) override {
    if (fail) throw std::runtime_error("gone");
    for (size_t i = 0; i < count; ++i) {
      static_cast<char*>(buffer)[i] = static_cast<char>('a' + file + ((offset + i) & 1));
    }
    reads.push_back(count);
  }
  bool fail = false;
  std::vector<size_t> reads;
};

// Sends everything the connection offers, at most `step` bytes at a time.
std::string drain(HttpConnection& connection, SiteContent& content, size_t step = 1000) {
  std::string out;
  for (auto part = connection.pending(content); !part.empty(); part = connection.pending(content)) {
    const size_t count = std::min(step, part.size());
    out.append(part.substr(0, count));
    connection.sent(count);
  }
  return out;
}

class Connection : public ::testing::Test {
 protected:
  ServerLimits limits_ = [] {
    ServerLimits limits;
    limits.chunkBytes = 4;
    return limits;
  }();
  LocalSite site_ = site();
  HttpConnection connection_{site_, limits_};
  FakeContent content_;
};

TEST_F(Connection, SendsBodiesInPartsOfTheChunkSizeAndAnswersPipelinedRequestsInOrder) {
  const std::string requests = get(kPage + "movie.swf") + get(kPage + "alive") + get(kPage);
  // Byte by byte, as a slow peer would send them.
  for (char c : requests) connection_.received(std::string_view(&c, 1));
  const std::string out = drain(connection_, content_, 3);
  EXPECT_NE(out.find("Content-Length: 10\r\n"), std::string::npos) << out;
  EXPECT_NE(out.find("keep-alive\r\n\r\nbcbcbcbcbcHTTP/1.1 204"), std::string::npos);
  EXPECT_EQ(out.substr(out.size() - 9), "\r\n\r\nababa");
  EXPECT_EQ(content_.reads, (std::vector<size_t>{4, 4, 2, 4, 1}));
  EXPECT_EQ(connection_.statuses(), (std::vector<int>{200, 204, 200}));
  EXPECT_EQ(connection_.takeCallBacks(), 1u);
  EXPECT_EQ(connection_.takeCallBacks(), 0u);
  EXPECT_TRUE(connection_.waitingForPeer());
  EXPECT_FALSE(connection_.finished());

  // The end of the show is asked for once and stays asked.
  EXPECT_FALSE(connection_.endAsked());
  connection_.received(get(kPage + "end"));
  drain(connection_, content_, 3);
  EXPECT_TRUE(connection_.endAsked());
  EXPECT_EQ(connection_.takeCallBacks(), 0u);
}

TEST_F(Connection, EndsAfterARefusalAndIgnoresWhatFollows) {
  connection_.received(get("/movie.swf") + get(kPage));
  EXPECT_NE(drain(connection_, content_).find("404 Not Found"), std::string::npos);
  EXPECT_TRUE(connection_.finished());
  EXPECT_EQ(connection_.statuses(), std::vector<int>{404});
}

TEST_F(Connection, RefusesAHeaderBlockThatOutgrowsTheLimitBeforeItEnds) {
  connection_.received("GET / HTTP/1.1\r\nX: " + std::string(limits_.headerBytes, 'x'));
  EXPECT_NE(drain(connection_, content_).find("431"), std::string::npos);
  EXPECT_TRUE(connection_.finished());
  EXPECT_FALSE(connection_.insideRequest());
}

TEST_F(Connection, ABodyThatCannotBeReadEndsTheConnection) {
  connection_.received(get(kPage + "movie.swf"));
  content_.fail = true;
  drain(connection_, content_);
  EXPECT_TRUE(connection_.finished());
}

}  // namespace
}  // namespace pravix::stub
