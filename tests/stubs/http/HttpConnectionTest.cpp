// One connection's HTTP/1.1 framing without sockets: hostile request streams however they are
// split, the framing of every reply, parts of a body, a body that cannot be read, the deadlines,
// and which connection makes way when the server is full.
#include <gtest/gtest.h>

#include <list>
#include <memory>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "stubs/http/HttpConnection.h"
#include "tests/stubs/http/HttpTestSupport.h"

namespace pravix::stub {
namespace {

using test::Stream;

const std::string kHost = "Host: h\r\n";

std::string get(const std::string& target, const std::string& fields = kHost,
                const char* method = "GET") {
  return std::string(method) + " " + target + " HTTP/1.1\r\n" + fields + "\r\n";
}

std::string times(const std::string& text, int count) {
  std::string all;
  for (int i = 0; i < count; ++i) all += text;
  return all;
}

// "/" is "<p>", "/part" the ten digits in parts for a Range, "/alive" 204; GET and HEAD only.
class Handler : public RequestHandler {
 public:
  Response respond(const HttpRequest& request) override {
    if (request.method != "GET" && request.method != "HEAD") {
      return Response::withoutBody(405, true);
    }
    if (request.target == "/end") ++ends;
    if (request.target == "/alive" || request.target == "/end") {
      return Response::withoutBody(204, false);
    }
    Response response;
    response.contentType = "text/plain";
    response.ranges = request.target == "/part";
    response.body = std::make_unique<BytesBody>(response.ranges ? "0123456789" : "<p>");
    return response;
  }
  int ends = 0;
};

class HostileStreams : public ::testing::TestWithParam<Stream> {};

TEST_P(HostileStreams, GetTheRepliesOfTheirRulesHoweverTheyAreSplit) {
  test::expectRepliesHoweverSplit(GetParam(), [](const auto& serve) {
    Handler handler;
    serve(handler);
    // Nothing that stood inside a body, or after a refusal, was taken for a request.
    EXPECT_EQ(handler.ends, 0);
  });
}

const std::string kEnd = get("/end");

INSTANTIATE_TEST_SUITE_P(
    Framing, HostileStreams,
    ::testing::Values(
        Stream{
            "pipelined, HEAD", get("/") + get("/alive") + get("/", kHost, "HEAD"), {200, 204, 200}},
        Stream{"300 pipelined", times(get("/alive"), 300), std::vector<int>(300, 204)},
        Stream{"half-closed after two requests", get("/") + get("/"), {200, 200}, true},
        Stream{"half-closed inside a request", get("/") + "GET / HTTP/1.1\r\n", {200}, true},
        Stream{"blank lines before a request, bare LF", "\r\n\nGET / HTTP/1.1\nHost: h\n\n", {200}},
        Stream{"a body is never a request",
               get("/alive", kHost + "Content-Length: " + std::to_string(kEnd.size()) + "\r\n") +
                   kEnd + get("/alive"),
               {204, 204}},
        Stream{"a body cut off by the peer's end",
               get("/", kHost + "Content-Length: 100\r\n") + kEnd,
               {},
               true},
        Stream{"chunked, and what follows unread",
               get("/", kHost + "Transfer-Encoding: chunked\r\n") + "0\r\n\r\n" + kEnd,
               {400}},
        Stream{"length and chunked",
               get("/", kHost + "Content-Length: 3\r\nTransfer-Encoding: chunked\r\n") + kEnd,
               {400}},
        Stream{"two lengths that differ",
               get("/", kHost + "Content-Length: 0\r\nContent-Length: 5\r\n") + kEnd,
               {400}},
        Stream{
            "a list of lengths that differ", get("/", kHost + "Content-Length: 1, 2\r\n"), {400}},
        Stream{"two equal lengths",
               get("/", kHost + "Content-Length: 0\r\nContent-Length: 0\r\n"),
               {200}},
        Stream{"a length with a sign", get("/", kHost + "Content-Length: +1\r\n") + "x", {400}},
        Stream{"a length of 16 digits",
               get("/", kHost + "Content-Length: 0000000000000001\r\n") + "x",
               {400}},
        Stream{"a body over 16 MiB", get("/", kHost + "Content-Length: 16777217\r\n"), {413}},
        Stream{
            "a header block over 16 KiB", get("/", kHost + "X: " + std::string(16384, 'a')), {431}},
        Stream{"NUL in a value", get("/", kHost + "X: a" + std::string(1, '\0') + "b\r\n"), {400}},
        Stream{"bare CR in a value", get("/", kHost + "X: a\rb\r\n"), {400}},
        Stream{"no Host", get("/", "") + kEnd, {400}},
        Stream{"two Hosts", get("/", kHost + kHost), {400}},
        Stream{"two Origins", get("/", kHost + "Origin: http://a\r\nOrigin: http://b\r\n"), {400}},
        Stream{"folded field", get("/", kHost + " folded\r\n"), {400}},
        Stream{"blank before a colon", get("/", "Host : h\r\n"), {400}},
        Stream{"HTTP/2", "GET / HTTP/2.0\r\n" + kHost + "\r\n", {400}},
        Stream{"no version", "GET /\r\n" + kHost + "\r\n", {400}},
        Stream{"a refusal closes", get("/", kHost, "POST") + kEnd, {405}},
        Stream{
            "HTTP/1.0 closes after its reply", "GET / HTTP/1.0\r\n" + kHost + "\r\n" + kEnd, {200}},
        Stream{"HTTP/1.0 with keep-alive",
               "GET / HTTP/1.0\r\n" + kHost + "Connection: keep-alive\r\n\r\n" + get("/"),
               {200, 200}},
        Stream{"close wins over keep-alive",
               get("/", kHost + "Connection: keep-alive, close\r\n") + kEnd,
               {200}},
        Stream{"parts",
               get("/part", kHost + "Range: bytes=2-5\r\n") +
                   get("/part", kHost + "Range: bytes=-3\r\n") +
                   get("/part", kHost + "Range: bytes=10-\r\n") +
                   get("/part", kHost + "Range: bytes=0-1,4-5\r\n") +
                   get("/", kHost + "Range: bytes=0-1\r\n"),
               {206, 206, 416, 200, 200}}));

TEST(Replies, CarryTheirFramingFieldsAndTheBytesOfTheirPart) {
  Handler handler;
  const ServerLimits limits;
  HttpConnection connection(handler, limits, 0);
  const std::string common =
      "Cache-Control: no-store\r\nX-Content-Type-Options: nosniff\r\nConnection: "
      "keep-alive\r\n\r\n";
  EXPECT_EQ(test::exchange(connection,
                           get("/part", kHost + "Range: bytes=2-5\r\n") +
                               get("/part", kHost + "Range: bytes=-3\r\n") +
                               get("/part", kHost + "Range: bytes=12-\r\n") + get("/alive") +
                               get("/", kHost + "Connection: close\r\n", "HEAD"),
                           1000),
            "HTTP/1.1 206 Partial Content\r\nContent-Type: text/plain\r\nContent-Length: 4\r\n"
            "Accept-Ranges: bytes\r\nContent-Range: bytes 2-5/10\r\n" +
                common + "2345" +
                "HTTP/1.1 206 Partial Content\r\nContent-Type: text/plain\r\nContent-Length: 3\r\n"
                "Accept-Ranges: bytes\r\nContent-Range: bytes 7-9/10\r\n" +
                common + "789" +
                "HTTP/1.1 416 Range Not Satisfiable\r\nContent-Type: text/plain\r\n"
                "Content-Length: 0\r\nAccept-Ranges: bytes\r\nContent-Range: bytes */10\r\n" +
                common + "HTTP/1.1 204 No Content\r\n" + common +
                "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: 3\r\n"
                "Cache-Control: no-store\r\nX-Content-Type-Options: nosniff\r\nConnection: "
                "close\r\n\r\n");
  EXPECT_TRUE(connection.finished());
}

TEST(Replies, AHeaderBlockMayFillTheLimitExactly) {
  Handler handler;
  ServerLimits limits;
  const std::string request = get("/");
  limits.headerBytes = request.size();
  HttpConnection exact(handler, limits, 0);
  test::exchange(exact, request, 1);
  EXPECT_EQ(exact.statuses(), std::vector<int>{200});
  limits.headerBytes = request.size() - 1;
  HttpConnection over(handler, limits, 0);
  test::exchange(over, request, 1);
  EXPECT_EQ(over.statuses(), std::vector<int>{431});
}

// A body whose reading fails at `failAt` bytes, 10 bytes long.
class FailingBody : public Body {
 public:
  explicit FailingBody(uint64_t failAt) : failAt_(failAt) {}
  uint64_t size() const override { return 10; }
  void read(uint64_t offset, void* buffer, size_t count) override {
    if (offset + count > failAt_) throw std::runtime_error("gone");
    BytesBody("0123456789").read(offset, buffer, count);
  }

 private:
  uint64_t failAt_;
};

class Deadlines : public ::testing::Test, public RequestHandler {
 protected:
  Response respond(const HttpRequest&) override {
    Response response;
    response.body = failAt_ ? std::unique_ptr<Body>(std::make_unique<FailingBody>(*failAt_))
                            : std::make_unique<BytesBody>(std::string_view(big_));
    return response;
  }
  ServerLimits limits_ = [] {
    ServerLimits limits;
    limits.chunkBytes = 4;
    return limits;
  }();
  std::string big_ = std::string(12, 'x');
  std::optional<uint64_t> failAt_;
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

TEST_F(Deadlines, ABodyThatCannotBeReadGivesA500UntilPartOfItHasGoneOut) {
  failAt_ = 0;
  EXPECT_EQ(test::exchange(connection_, get("/", kHost) + get("/", kHost), 1000),
            "HTTP/1.1 500 Internal Server Error\r\nContent-Length: 0\r\nCache-Control: "
            "no-store\r\nX-Content-Type-Options: nosniff\r\nConnection: close\r\n\r\n");
  EXPECT_EQ(connection_.statuses(), std::vector<int>{500});
  EXPECT_TRUE(connection_.finished());

  failAt_ = 6;  // the first 4 bytes go out with the head
  HttpConnection later(*this, limits_, 0);
  const std::string out = test::exchange(later, get("/", kHost), 1000);
  EXPECT_EQ(out.substr(out.size() - 8), "\r\n\r\n0123");
  EXPECT_EQ(later.statuses(), std::vector<int>{200});
  EXPECT_TRUE(later.finished());
}

// Work beside the server that the test ends: until then its reply is not there.
class Work : public LaterReply {
 public:
  explicit Work(bool& done) : done_(done) {}
  std::optional<Response> ready() override {
    if (!done_) return std::nullopt;
    Response response;
    response.status = 200;
    response.ranges = true;
    response.body = std::make_unique<BytesBody>("0123456789");
    return response;
  }

 private:
  bool& done_;
};

class LaterReplies : public ::testing::Test, public RequestHandler {
 protected:
  Response respond(const HttpRequest& request) override {
    if (request.target == "/alive") return Response::withoutBody(204, false);
    Response response;
    response.later = std::make_unique<Work>(done_);
    return response;
  }
  bool done_ = false;
  ServerLimits limits_;
};

TEST_F(LaterReplies, GoOutOnceTheWorkIsDoneAheadOfTheRequestsAfterThem) {
  HttpConnection connection(*this, limits_, 0);
  connection.received(get("/work", kHost + "Range: bytes=2-3\r\n") + get("/alive"), 1);
  EXPECT_TRUE(connection.awaitingWork());
  EXPECT_FALSE(connection.waitingForPeer());
  EXPECT_EQ(connection.pending(2), "");
  EXPECT_TRUE(connection.statuses().empty());
  // Until its work is done, it never runs into the deadline of a reply that does not go out.
  EXPECT_FALSE(connection.overdue(60001));
  EXPECT_TRUE(connection.overdue(60002));
  done_ = true;
  const std::string out = test::exchange(connection, "", 1);
  EXPECT_EQ(connection.statuses(), (std::vector<int>{206, 204}));
  EXPECT_NE(out.find("Content-Range: bytes 2-3/10\r\n"), std::string::npos) << out;
  EXPECT_NE(out.find("\r\n\r\n23HTTP/1.1 204"), std::string::npos) << out;
}

TEST(ReplyLater, GivesTheWorksReplyOrA500WhenItThrows) {
  const ServerLimits limits;
  struct : RequestHandler {
    Response respond(const HttpRequest& request) override {
      const bool fails = request.target == "/fails";
      Response response;
      response.later = replyLater([fails] {
        if (fails) throw std::runtime_error("failed");
        return Response::withoutBody(204, false);
      });
      return response;
    }
  } handler;
  HttpConnection connection(handler, limits, 0);
  test::exchange(connection, get("/works") + get("/fails"), 1000);
  EXPECT_EQ(connection.statuses(), (std::vector<int>{204, 500}));
}

// A server's place: a connection, and whether it is being drained after its last reply.
struct Place {
  HttpConnection connection;
  bool draining = false;
};

TEST_F(Deadlines, AFullServerClosesAConnectionBeingDrainedElseTheOneIdleLongestNeverOneSending) {
  std::list<Place> places;
  const auto leaving = [&places] {
    const auto found = makingWay(
        places.begin(), places.end(), [](const Place& place) { return place.draining; },
        [](const Place& place) -> const HttpConnection& { return place.connection; });
    return found == places.end() ? -1 : static_cast<int>(std::distance(places.begin(), found));
  };
  // Busy sending: the 12 bytes in chunks of 4 are not all out.
  const auto sending = [&](uint64_t now) {
    places.push_back(Place{HttpConnection(*this, limits_, now)});
    places.back().connection.received(get("/", kHost), now);
    places.back().connection.pending(now);
  };
  sending(100);
  sending(200);
  EXPECT_EQ(leaving(), -1);
  places.push_back(Place{HttpConnection(*this, limits_, 500)});
  places.push_back(Place{HttpConnection(*this, limits_, 300)});
  places.push_back(Place{HttpConnection(*this, limits_, 400)});
  places.back().connection.received("GET", 450);  // a request under way is activity too
  EXPECT_EQ(leaving(), 3);
  places.push_back(Place{HttpConnection(*this, limits_, 900), true});
  EXPECT_EQ(leaving(), 5);
}

}  // namespace
}  // namespace pravix::stub
