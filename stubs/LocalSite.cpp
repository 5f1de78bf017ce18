// The serving rules: the Host check (against DNS rebinding), the methods, the secret, and the
// handler each name goes to.
#include "stubs/LocalSite.h"

#include <cctype>
#include <optional>
#include <string_view>
#include <utility>

#include "platform/File.h"
#include "platform/Path.h"
#include "stubs/PlayerPage.h"
#include "stubs/RequestPath.h"

namespace pravix::stub {
namespace {

bool startsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

// What stands in `name` between `prefix` and `suffix`; nothing when it does not start and end so.
std::optional<std::string> between(std::string_view name, std::string_view prefix,
                                   std::string_view suffix) {
  if (name.size() < prefix.size() + suffix.size() || !startsWith(name, prefix) ||
      name.substr(name.size() - suffix.size()) != suffix) {
    return std::nullopt;
  }
  return std::string(name.substr(prefix.size(), name.size() - prefix.size() - suffix.size()));
}

Response withBody(std::unique_ptr<Body> body, const std::string& type, bool gzip = false,
                  bool ranges = false) {
  Response response;
  response.contentType = type;
  response.gzip = gzip;
  response.ranges = ranges;
  response.body = std::move(body);
  return response;
}

Response notAllowed(const char* allow) {
  Response refused = Response::withoutBody(405, true);
  refused.fields = std::string("Allow: ") + allow + "\r\n";
  return refused;
}

}  // namespace

std::string contentTypeOf(const std::string& name) {
  static constexpr struct {
    const char* extension;
    const char* type;
  } kTypes[] = {
      {".html", "text/html; charset=utf-8"},
      {".htm", "text/html; charset=utf-8"},
      {".js", "text/javascript"},
      {".wasm", "application/wasm"},
      {".swf", "application/x-shockwave-flash"},
      {".xml", "text/xml"},
      {".txt", "text/plain"},
      {".json", "application/json"},
      {".css", "text/css"},
      {".jpg", "image/jpeg"},
      {".jpeg", "image/jpeg"},
      {".png", "image/png"},
      {".gif", "image/gif"},
      {".bmp", "image/bmp"},
      {".svg", "image/svg+xml"},
      {".ico", "image/x-icon"},
      {".mp3", "audio/mpeg"},
      {".wav", "audio/wav"},
      {".ogg", "audio/ogg"},
      {".m4a", "audio/mp4"},
      {".flv", "video/x-flv"},
      {".mp4", "video/mp4"},
      {".m4v", "video/mp4"},
      {".webm", "video/webm"},
  };
  if (name.empty()) return kTypes[0].type;
  std::string extension = fileExtension(name.substr(name.find_last_of('/') + 1));
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (const auto& known : kTypes) {
    if (extension == known.extension) return known.type;
  }
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
  const std::optional<std::string> path = decodeRequestPath(request.target);
  const std::string prefix = secret_ + "/";
  if (!path || !startsWith(*path, prefix)) return Response::withoutBody(404, true);
  const std::string name = path->substr(prefix.size());
  if (request.method != "GET" && request.method != "HEAD") return change(request, name);

  if (name.empty()) return withBody(content_.page(), contentTypeOf(""));
  if (name == kMovieName) {
    return withBody(content_.movie(), contentTypeOf(name), false, true);
  }
  if (name == kIconName) return withBody(content_.icon(), contentTypeOf(name));
  if (name == kCallBackName || name == kEndName) {
    if (name == kCallBackName) {
      events_.pageCalledBack();
    } else {
      events_.endAsked();
    }
    return Response::withoutBody(204, false);
  }
  if (name == kSavesName) {
    const SaveStore* saves = content_.saves();
    return withBody(std::make_unique<OwnedBody>(saves != nullptr ? saves->allAsJson() : "{}"),
                    "application/json");
  }
  if (std::unique_ptr<Body> file = content_.playerFile(name)) {
    return withBody(std::move(file), contentTypeOf(name), true);
  }
  if (std::unique_ptr<Body> file = content_.besideFile(name)) {
    return withBody(std::move(file), contentTypeOf(name), false, true);
  }
  return Response::withoutBody(404, true);
}

Response LocalSite::change(const HttpRequest& request, const std::string& name) {
  const std::optional<std::string> saveName = between(name, kSavesName, kSaveExtension);
  const std::optional<std::string> program = between(name, kExecName, "");
  if (!saveName && !program) return notAllowed("GET, HEAD");
  // A page of another origin that knows the address may still send a simple request; the
  // browser names its origin.
  if (request.origin != "http://" + host_) return Response::withoutBody(403, true);
  if (program) {
    if (request.method != "POST") return notAllowed("POST");
    if (!isPlainName(*program)) return Response::withoutBody(404, true);
    events_.execAsked(*program);
    return Response::withoutBody(204, false);
  }
  SaveStore* saves = content_.saves();
  if (saves == nullptr) return Response::withoutBody(404, true);
  if (request.method == "DELETE") {
    return Response::withoutBody(saves->remove(*saveName) ? 204 : 404, false);
  }
  if (request.method != "PUT") return notAllowed("PUT, DELETE");
  try {
    switch (saves->write(*saveName, request.body)) {
      case SaveStore::Outcome::Written:
        return Response::withoutBody(204, false);
      case SaveStore::Outcome::BadName:
        return Response::withoutBody(404, true);
      case SaveStore::Outcome::TooLarge:
        return Response::withoutBody(413, false);
    }
  } catch (const FileError&) {
  }
  return Response::withoutBody(500, false);
}

}  // namespace pravix::stub
