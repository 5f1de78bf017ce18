// The site's answers through one connection: the Host, the secret, the names and their handlers,
// the methods, and the page's calls to the show.
#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "stubs/http/HttpConnection.h"
#include "stubs/site/ContentTypes.h"
#include "stubs/site/LocalSite.h"
#include "tests/stubs/site/SiteTestSupport.h"

namespace pravix::stub {
namespace {

using test::kSecret;
using test::Stream;

const std::string kPage = std::string("/") + kSecret + "/";
const std::string kHost = "Host: 127.0.0.1:4321\r\n";

std::string get(const std::string& target, const std::string& fields = kHost,
                const char* method = "GET") {
  return std::string(method) + " " + target + " HTTP/1.1\r\n" + fields + "\r\n";
}

class Requests : public ::testing::TestWithParam<Stream> {};

TEST_P(Requests, GetTheSitesAnswersHoweverTheyAreSplit) {
  test::expectRepliesHoweverSplit(GetParam(), [](const auto& serve) {
    test::KnownContent content;
    LocalSite site(kSecret, test::kPort, content, content);
    serve(site);
    EXPECT_EQ(content.ends, 0);
  });
}

const std::string kEnd = get(kPage + "end");

INSTANTIATE_TEST_SUITE_P(
    Site, Requests,
    ::testing::Values(
        Stream{"page, movie, player file, call back, HEAD",
               get(kPage) + get(kPage + "movie.swf") + get(kPage + "core.wasm?v=1") +
                   get(kPage + "alive") + get(kPage + "movie.swf", kHost, "HEAD"),
               {200, 200, 200, 204, 200}},
        Stream{"another Host (rebinding)", get(kPage, "Host: evil.example:4321\r\n"), {421}},
        Stream{"another port", get(kPage, "Host: 127.0.0.1:4322\r\n"), {421}},
        Stream{"localhost", get(kPage, "Host: localhost:4321\r\n"), {421}},
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

TEST(Site, RepliesCarryTheirTypesAndTheirEncoding) {
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

TEST(Site, TheCallBackAndTheEndReachTheShowEachAsItself) {
  test::KnownContent content;
  LocalSite site(kSecret, test::kPort, content, content);
  const ServerLimits limits;
  HttpConnection connection(site, limits, 0);
  test::exchange(connection, get(kPage + "alive") + get(kPage + "alive") + kEnd, 1000);
  EXPECT_EQ(connection.statuses(), (std::vector<int>{204, 204, 204}));
  EXPECT_EQ(content.callBacks, 2);
  EXPECT_EQ(content.ends, 1);
}

}  // namespace
}  // namespace pravix::stub
