// Fuzzes one connection of the loopback server with arbitrary bytes split at arbitrary points:
// the replies are the same however the bytes are split, there are never more replies than
// requests that ended, and a body is never read as a request.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/FuzzSupport.h"
#include "stubs/http/HttpConnection.h"
#include "stubs/site/LocalSite.h"
#include "tests/stubs/site/SiteTestSupport.h"

namespace {

using namespace pravix::stub;

// The ends of header blocks in `input`: no request can end without one (a body may hold some).
size_t blankLines(std::string_view input) {
  size_t count = 0;
  for (size_t at = 0; at < input.size(); ++at) {
    if (input[at] != '\n') continue;
    if (input.substr(at + 1, 1) == "\n" || input.substr(at + 1, 2) == "\r\n") ++count;
  }
  return count;
}

// Takes every request, and answers with its target and its body's length.
class Recorder : public RequestHandler {
 public:
  Response respond(const HttpRequest& request) override {
    requests.push_back(request);
    return Response::withoutBody(204, false);
  }
  std::vector<HttpRequest> requests;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  // The first byte sets the parts' size; the rest is what the peer sends.
  const size_t step = data[0] % 16 + 1;
  const bool halfClose = (data[0] & 0x80) != 0;
  const std::string_view input(reinterpret_cast<const char*>(data + 1), size - 1);

  ServerLimits limits;
  limits.headerBytes = 512;  // so that the fuzzer reaches the limit
  limits.bodyBytes = 4096;
  std::string replies[2];
  std::vector<int> statuses[2];
  for (int run = 0; run < 2; ++run) {
    test::KnownContent content;
    LocalSite site(test::kSecret, test::kPort, content, content);
    HttpConnection connection(site, limits, 0);
    replies[run] = test::exchange(connection, input, run == 0 ? input.size() : step, halfClose);
    statuses[run] = connection.statuses();
  }
  PRAVIX_FUZZ_CHECK(replies[0] == replies[1], "the replies depend on how the bytes were split");
  PRAVIX_FUZZ_CHECK(statuses[0].size() <= blankLines(input) + 1,
                    "more replies than requests that ended");

  // The same bytes as a body between two requests: taken whole, and never answered.
  const std::string body(input.substr(0, limits.bodyBytes));
  const std::string host = "Host: h\r\n";
  const std::string stream = "POST /first HTTP/1.1\r\n" + host +
                             "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body +
                             "GET /after HTTP/1.1\r\n" + host + "\r\n";
  Recorder recorder;
  HttpConnection connection(recorder, limits, 0);
  test::exchange(connection, stream, step);
  PRAVIX_FUZZ_CHECK(recorder.requests.size() == 2, "a body was read as requests");
  PRAVIX_FUZZ_CHECK(recorder.requests[0].body == body, "the body was not taken whole");
  PRAVIX_FUZZ_CHECK(recorder.requests[1].target == "/after", "the request after a body was lost");
  return 0;
}
