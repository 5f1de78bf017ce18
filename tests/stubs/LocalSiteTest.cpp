// The loopback server's rules without sockets: hostile request streams against one connection,
// however they are split, the site's answers, the framing of every reply, and the deadlines.
#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "stubs/HttpConnection.h"
#include "stubs/LocalSite.h"
#include "tests/stubs/HttpTestSupport.h"

namespace pravix::stub {
namespace {

using test::kSecret;

const std::string kPage = std::string("/") + kSecret + "/";
const std::string kHost = "Host: 127.0.0.1:4321\r\n";

std::string get(const std::string& target, const std::string& fields = kHost,
                const char* method = "GET") {
  return std::string(method) + " " + target + " HTTP/1.1\r\n" + fields + "\r\n";
}

std::string times(const std::string& text, int count) {
  std::string all;
  for (int i = 0; i < count; ++i) all += text;
  return all;
}

struct Stream {
  const char* what;
  std::string input;
  std::vector<int> statuses;
  bool halfClose = false;
};

void PrintTo(const Stream& stream, std::ostream* out) {
  *out << stream.what;
}

class HostileStreams : public ::testing::TestWithParam<Stream> {};

// Every stream gets the same replies sent whole, in parts of 7 bytes and a byte at a time.
TEST_P(HostileStreams, GetTheRepliesOfTheirRulesHoweverTheyAreSplit) {
  const Stream& stream = GetParam();
  const ServerLimits limits;
  std::string whole;
  for (size_t step : {stream.input.size(), size_t{7}, size_t{1}}) {
    test::KnownContent content;
    LocalSite site(kSecret, test::kPort, content, content);
    HttpConnection connection(site, limits, 0);
    const std::string out = test::exchange(connection, stream.input, step, stream.halfClose);
    EXPECT_EQ(connection.statuses(), stream.statuses) << stream.what << ", step " << step;
    if (step == stream.input.size()) whole = out;
    EXPECT_EQ(out, whole) << stream.what << ", step " << step;
    // Nothing that stood inside a body, or after a refusal, was taken for the end of the show.
    EXPECT_EQ(content.ends, 0) << stream.what;
  }
}

const std::string kEnd = get(kPage + "end");

INSTANTIATE_TEST_SUITE_P(
    Server, HostileStreams,
    ::testing::Values(
        Stream{"page, movie, player file, call back, HEAD",
               get(kPage) + get(kPage + "movie.swf") + get(kPage + "core.wasm?v=1") +
                   get(kPage + "alive") + get(kPage + "movie.swf", kHost, "HEAD"),
               {200, 200, 200, 204, 200}},
        Stream{"300 pipelined", times(get(kPage + "alive"), 300), std::vector<int>(300, 204)},
        Stream{"half-closed after two requests", get(kPage) + get(kPage), {200, 200}, true},
        Stream{"half-closed inside a request", get(kPage) + "GET / HTTP/1.1\r\n", {200}, true},
        Stream{"blank lines before a request, bare LF",
               "\r\n\n" + std::string("GET ") + kPage + " HTTP/1.1\n" + "Host: 127.0.0.1:4321\n\n",
               {200}},
        Stream{"a body is never a request",
               get(kPage + "alive",
                   kHost + "Content-Length: " + std::to_string(kEnd.size()) + "\r\n") +
                   kEnd + get(kPage + "alive"),
               {204, 204}},
        Stream{"a body cut off by the peer's end",
               get(kPage, kHost + "Content-Length: 100\r\n") + kEnd,
               {},
               true},
        Stream{"chunked, and what follows unread",
               get(kPage, kHost + "Transfer-Encoding: chunked\r\n") + "0\r\n\r\n" + kEnd,
               {400}},
        Stream{"length and chunked",
               get(kPage, kHost + "Content-Length: 3\r\nTransfer-Encoding: chunked\r\n") + kEnd,
               {400}},
        Stream{"two lengths that differ",
               get(kPage, kHost + "Content-Length: 0\r\nContent-Length: 5\r\n") + kEnd,
               {400}},
        Stream{
            "a list of lengths that differ", get(kPage, kHost + "Content-Length: 1, 2\r\n"), {400}},
        Stream{"two equal lengths",
               get(kPage, kHost + "Content-Length: 0\r\nContent-Length: 0\r\n"),
               {200}},
        Stream{"a length with a sign", get(kPage, kHost + "Content-Length: +1\r\n") + "x", {400}},
        Stream{"a length of 16 digits",
               get(kPage, kHost + "Content-Length: 0000000000000001\r\n") + "x",
               {400}},
        Stream{"a body over 16 MiB", get(kPage, kHost + "Content-Length: 16777217\r\n"), {413}},
        Stream{"a header block over 16 KiB",
               get(kPage, kHost + "X: " + std::string(16384, 'a')),
               {431}},
        Stream{
            "NUL in a value", get(kPage, kHost + "X: a" + std::string(1, '\0') + "b\r\n"), {400}},
        Stream{"bare CR in a value", get(kPage, kHost + "X: a\rb\r\n"), {400}},
        Stream{"no Host", get(kPage, "") + kEnd, {400}},
        Stream{"two Hosts", get(kPage, kHost + kHost), {400}},
        Stream{"another Host (rebinding)", get(kPage, "Host: evil.example:4321\r\n"), {421}},
        Stream{"another port", get(kPage, "Host: 127.0.0.1:4322\r\n"), {421}},
        Stream{"localhost", get(kPage, "Host: localhost:4321\r\n"), {421}},
        Stream{"folded field", get(kPage, kHost + " folded\r\n"), {400}},
        Stream{"blank before a colon", get(kPage, "Host : 127.0.0.1:4321\r\n"), {400}},
        Stream{"HTTP/2", "GET " + kPage + " HTTP/2.0\r\n" + kHost + "\r\n", {400}},
        Stream{"no version", "GET " + kPage + "\r\n" + kHost + "\r\n", {400}},
        Stream{"POST, which nothing takes", get(kPage, kHost, "POST") + kEnd, {405}},
        Stream{"HTTP/1.0 closes after its reply",
               "GET " + kPage + " HTTP/1.0\r\n" + kHost + "\r\n" + kEnd,
               {200}},
        Stream{"HTTP/1.0 with keep-alive",
               "GET " + kPage + " HTTP/1.0\r\n" + kHost + "Connection: keep-alive\r\n\r\n" +
                   get(kPage),
               {200, 200}},
        Stream{"close wins over keep-alive",
               get(kPage, kHost + "Connection: keep-alive, close\r\n") + kEnd,
               {200}},
        Stream{"no secret", get("/movie.swf") + kEnd, {404}},
        Stream{"a wrong secret", get("/0123456789abcdef0123456789abcdee/movie.swf"), {404}},
        Stream{"the secret without its slash", get(std::string("/") + kSecret), {404}},
        Stream{"an unknown name", get(kPage + "movie.swf.map"), {404}},
        Stream{"dot segments", get(kPage + "../" + kSecret + "/movie.swf"), {404}},
        Stream{"escaped dot segments", get(kPage + "%2e%2E/" + kSecret + "/movie.swf"), {404}},
        Stream{"absolute form", get("http://127.0.0.1:4321" + kPage), {404}},
        Stream{"the icon, and no saves kept",
               get(kPage + "icon.ico") + get(kPage + "saves/"),
               {200, 200}},
        Stream{"parts of a file beside",
               get(kPage + "extra-%C3%BC/part%20two.swf", kHost + "Range: bytes=2-5\r\n") +
                   get(kPage + "extra-%C3%BC/part%20two.swf", kHost + "Range: bytes=-3\r\n") +
                   get(kPage + "extra-%C3%BC/part%20two.swf", kHost + "Range: bytes=10-\r\n") +
                   get(kPage + "extra-%C3%BC/part%20two.swf", kHost + "Range: bytes=0-1,4-5\r\n"),
               {206, 206, 416, 200}},
        Stream{"a save without the page's origin",
               get(kPage + "saves/a.sol", kHost + "Content-Length: 1\r\n", "PUT") + "x" + kEnd,
               {403}},
        Stream{"a program started by another origin",
               get(kPage + "exec/run.bat", kHost + "Origin: http://evil.example\r\n", "POST"),
               {403}},
        Stream{"a save where none are kept",
               get(kPage + "saves/a.sol", kHost + "Origin: http://127.0.0.1:4321\r\n", "DELETE"),
               {404}},
        Stream{"a write to the page",
               get(kPage, kHost + "Origin: http://127.0.0.1:4321\r\n", "PUT"),
               {405}}));

TEST(Server, RepliesCarryTheirTypeLengthEncodingAndTheFieldsOfEveryReply) {
  test::KnownContent content;
  LocalSite site(kSecret, test::kPort, content, content);
  EXPECT_EQ(site.address(), std::string("http://127.0.0.1:4321/") + kSecret + "/");
  const ServerLimits limits;
  HttpConnection connection(site, limits, 0);
  EXPECT_EQ(
      test::exchange(connection,
                     get(kPage + "core.wasm") + get(kPage + "alive") +
                         get(kPage + "movie.swf", kHost + "Connection: close\r\n", "HEAD"),
                     1000),
      "HTTP/1.1 200 OK\r\nContent-Type: application/wasm\r\nContent-Length: 3\r\n"
      "Content-Encoding: gzip\r\nCache-Control: no-store\r\nX-Content-Type-Options: "
      "nosniff\r\nConnection: keep-alive\r\n\r\ngz!"
      "HTTP/1.1 204 No Content\r\nCache-Control: no-store\r\nX-Content-Type-Options: "
      "nosniff\r\nConnection: keep-alive\r\n\r\n"
      "HTTP/1.1 200 OK\r\nContent-Type: application/x-shockwave-flash\r\nContent-Length: 9\r\n"
      "Accept-Ranges: bytes\r\nCache-Control: no-store\r\nX-Content-Type-Options: "
      "nosniff\r\nConnection: close\r\n\r\n");
  EXPECT_TRUE(connection.finished());
  EXPECT_EQ(content.callBacks, 1);

  HttpConnection refused(site, limits, 0);
  EXPECT_EQ(
      test::exchange(refused, get(kPage, kHost, "PUT"), 1000),
      "HTTP/1.1 405 Method Not Allowed\r\nContent-Length: 0\r\nAllow: GET, HEAD\r\n"
      "Cache-Control: no-store\r\nX-Content-Type-Options: nosniff\r\nConnection: close\r\n\r\n");
  EXPECT_EQ(contentTypeOf("ruffle.js"), "text/javascript");
  EXPECT_EQ(contentTypeOf("wasm"), "application/octet-stream");
}

TEST(Server, AHeaderBlockMayFillTheLimitExactly) {
  test::KnownContent content;
  LocalSite site(kSecret, test::kPort, content, content);
  ServerLimits limits;
  const std::string request = get(kPage);
  limits.headerBytes = request.size();
  HttpConnection exact(site, limits, 0);
  test::exchange(exact, request, 1);
  EXPECT_EQ(exact.statuses(), std::vector<int>{200});
  limits.headerBytes = request.size() - 1;
  HttpConnection over(site, limits, 0);
  test::exchange(over, request, 1);
  EXPECT_EQ(over.statuses(), std::vector<int>{431});
}

// A body that cannot be read ends the connection: its length was promised already.
class FailingBody : public Body {
 public:
  uint64_t size() const override { return 10; }
  void read(uint64_t, void*, size_t) override { throw std::runtime_error("gone"); }
};

class Deadlines : public ::testing::Test, public RequestHandler {
 protected:
  Response respond(const HttpRequest&) override {
    Response response;
    response.body = failing_ ? std::unique_ptr<Body>(std::make_unique<FailingBody>())
                             : std::make_unique<BytesBody>(std::string_view(big_));
    return response;
  }
  ServerLimits limits_ = [] {
    ServerLimits limits;
    limits.chunkBytes = 4;
    return limits;
  }();
  std::string big_ = std::string(12, 'x');
  bool failing_ = false;
  HttpConnection connection_{*this, limits_, 0};
};

TEST_F(Deadlines, HoldForRequestsRepliesAndIdleConnectionsHoweverSlowlyBytesTrickle) {
  // Idle from the start.
  EXPECT_FALSE(connection_.overdue(15000));
  EXPECT_TRUE(connection_.overdue(15001));
  // A request begun at 1 s must end by 11 s, however often a byte arrives.
  const std::string request = get("/", kHost);
  for (size_t i = 0; i + 1 < request.size(); ++i) {
    connection_.received(request.substr(i, 1), 1000 + i * 100);
  }
  EXPECT_FALSE(connection_.overdue(11000));
  EXPECT_TRUE(connection_.overdue(11001));
  connection_.received(request.substr(request.size() - 1), 11000);
  // Each chunk of the reply must go out within 10 s of being offered, byte by byte or not; the
  // first goes with the head.
  EXPECT_EQ(connection_.pending(11000).size(), 121u + 4);
  connection_.sent(121, 20000);
  EXPECT_EQ(connection_.pending(20000), "xxxx");
  EXPECT_FALSE(connection_.overdue(21000));
  EXPECT_TRUE(connection_.overdue(21001));
  connection_.sent(4, 21000);
  EXPECT_EQ(connection_.pending(21000), "xxxx");
  connection_.sent(1, 30000);
  EXPECT_EQ(connection_.pending(30000), "xxx");
  EXPECT_TRUE(connection_.overdue(31001));
  connection_.sent(3, 30000);
  connection_.sent(connection_.pending(30000).size(), 30000);
  EXPECT_TRUE(connection_.waitingForPeer());
  EXPECT_FALSE(connection_.overdue(45000));
  EXPECT_TRUE(connection_.overdue(45001));
}

TEST_F(Deadlines, ABodyThatCannotBeReadEndsTheConnection) {
  failing_ = true;
  connection_.received(get("/", kHost), 0);
  connection_.pending(0);  // the head
  connection_.sent(connection_.pending(0).size(), 0);
  EXPECT_TRUE(connection_.pending(0).empty());
  EXPECT_TRUE(connection_.finished());
}

}  // namespace
}  // namespace pravix::stub
