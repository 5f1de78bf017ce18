// The one decoder of paths from the page's side: what it gives, and everything it refuses whole.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "stubs/site/RequestPath.h"

namespace pravix::stub {
namespace {

TEST(RequestPath, DecodesPlainNamesInAnyScriptAndRefusesEverythingDoubtful) {
  const struct {
    const char* target;
    std::optional<std::string> path;
  } cases[] = {
      {"/", ""},
      {"/s/", "s/"},
      {"/s/movie.swf?v=1&x=/../", "s/movie.swf"},
      {"/s/extra-%C3%BC/part%20two.swf", "s/extra-\xC3\xBC/part two.swf"},
      {"/s/%E4%B8%AD%E6%96%87.xml", "s/\xE4\xB8\xAD\xE6\x96\x87.xml"},
      {"/s/%F0%9F%98%80.png", "s/\xF0\x9F\x98\x80.png"},
      {"/s/a%2b%2Cb.txt", "s/a+,b.txt"},
      {"/s/console/file.txt", "s/console/file.txt"},
      {"/s/COM10", "s/COM10"},
      {"s/movie.swf", std::nullopt},
      {"", std::nullopt},
      {"http://127.0.0.1:1/s/", std::nullopt},
      {"//s/", std::nullopt},
      {"/s//movie.swf", std::nullopt},
      {"/s/./movie.swf", std::nullopt},
      {"/s/../movie.swf", std::nullopt},
      {"/s/%2e%2E/movie.swf", std::nullopt},
      {"/s/a%2fb", std::nullopt},
      {"/s/a%5cb", std::nullopt},
      {"/s/a\\b", std::nullopt},
      {"/s/C:", std::nullopt},
      {"/s/movie.swf:stream", std::nullopt},
      {"/s/a%00b", std::nullopt},
      {"/s/a%0Ab", std::nullopt},
      {"/s/a%7F", std::nullopt},
      {"/s/a%C2%85", std::nullopt},
      {"/s/a%", std::nullopt},
      {"/s/a%4", std::nullopt},
      {"/s/a%zz", std::nullopt},
      {"/s/%C0%AE%C0%AE/x", std::nullopt},
      {"/s/%E0%80%AE", std::nullopt},
      {"/s/%ED%A0%80", std::nullopt},
      {"/s/%F4%90%80%80", std::nullopt},
      {"/s/%C3", std::nullopt},
      {"/s/%FF", std::nullopt},
      {"/s/name.", std::nullopt},
      {"/s/name%20", std::nullopt},
      {"/s/a*b", std::nullopt},
      {"/s/a%7Cb", std::nullopt},
      {"/s/%3Cb%3E", std::nullopt},
      {"/s/CON", std::nullopt},
      {"/s/nul.txt", std::nullopt},
      {"/s/con.d/file.txt", std::nullopt},
      {"/s/Com1.swf", std::nullopt},
      {"/s/lpt9/x", std::nullopt},
      {"/s/aux%20.txt", std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(decodeRequestPath(c.target), c.path) << c.target;
  }
}

}  // namespace
}  // namespace pravix::stub
