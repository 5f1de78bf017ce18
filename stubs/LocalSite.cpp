// The serving rules: the Host check (against DNS rebinding), the methods, the secret, and the
// handler each name goes to.
#include "stubs/LocalSite.h"

#include <optional>
#include <utility>

#include "stubs/PlayerPage.h"
#include "stubs/RequestPath.h"

namespace pravix::stub {
namespace {

bool endsWith(const std::string& text, const char* suffix) {
  const std::string end(suffix);
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

Response withBody(std::unique_ptr<Body> body, const std::string& name, bool gzip) {
  Response response;
  response.contentType = contentTypeOf(name);
  response.gzip = gzip;
  response.body = std::move(body);
  return response;
}

}  // namespace

std::string contentTypeOf(const std::string& name) {
  if (name.empty() || endsWith(name, ".html")) return "text/html; charset=utf-8";
  if (endsWith(name, ".js")) return "text/javascript";
  if (endsWith(name, ".wasm")) return "application/wasm";
  if (endsWith(name, ".swf")) return "application/x-shockwave-flash";
  return "application/octet-stream";
}

LocalSite::LocalSite(std::string secret, uint16_t port, SiteContent& content, ShowEvents& events)
    : secret_(std::move(secret)),
      host_("127.0.0.1:" + std::to_string(port)),
      content_(content),
      events_(events) {}

std::string LocalSite::address() const {
  return "http://" + host_ + "/" + secret_ + "/";
}

Response LocalSite::respond(const HttpRequest& request) {
  // A page of another site that has its name resolve to 127.0.0.1 (DNS rebinding) sends its own
  // name as the Host; only our own address is answered.
  if (request.host != host_) return Response::withoutBody(421, true);
  if (request.method != "GET" && request.method != "HEAD") {
    Response refused = Response::withoutBody(405, true);
    refused.fields = "Allow: GET, HEAD\r\n";
    return refused;
  }
  const std::optional<std::string> path = decodeRequestPath(request.target);
  const std::string prefix = secret_ + "/";
  if (!path || path->compare(0, prefix.size(), prefix) != 0)
    return Response::withoutBody(404, true);
  const std::string name = path->substr(prefix.size());
  if (name.empty()) return withBody(content_.page(), "", false);
  if (name == kMovieName) return withBody(content_.movie(), name, false);
  if (name == kCallBackName) {
    events_.pageCalledBack();
    return Response::withoutBody(204, false);
  }
  if (name == kEndName) {
    events_.endAsked();
    return Response::withoutBody(204, false);
  }
  if (std::unique_ptr<Body> file = content_.playerFile(name)) {
    return withBody(std::move(file), name, true);
  }
  return Response::withoutBody(404, true);
}

}  // namespace pravix::stub
