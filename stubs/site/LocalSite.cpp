// The serving rules: the Host check (against DNS rebinding), the methods, the secret, and the
// handler each name goes to.
#include "stubs/site/LocalSite.h"

#include <functional>
#include <optional>
#include <string_view>
#include <utility>

#include "platform/File.h"
#include "platform/Path.h"
#include "stubs/site/ContentTypes.h"
#include "stubs/site/RequestPath.h"
#include "stubs/site/SiteNames.h"

namespace pravix::stub {
namespace {

bool startsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

// What follows `prefix` in `name`; nothing when it does not start so.
std::optional<std::string> after(std::string_view name, std::string_view prefix) {
  if (!startsWith(name, prefix)) return std::nullopt;
  return std::string(name.substr(prefix.size()));
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

// A refusal that says why, for the page's console.
Response refusal(int status, std::string why) {
  Response refused = withBody(std::make_unique<OwnedBody>(std::move(why)), kTextType);
  refused.status = status;
  return refused;
}

Response notAllowed(const char* allow) {
  Response refused = Response::withoutBody(405, true);
  refused.fields = std::string("Allow: ") + allow + "\r\n";
  return refused;
}

}  // namespace

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

  if (name.empty()) return withBody(content_.page(), kPageType);
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
    SaveStore* saves = content_.saves();
    if (saves == nullptr) return withBody(std::make_unique<OwnedBody>("{}"), kJsonType);
    // Many saves take long to read: the server goes on meanwhile.
    Response listing;
    listing.later = replyLater([read = saves->listing(), page = saves->newPage()] {
      Response all = withBody(std::make_unique<OwnedBody>(read()), kJsonType);
      all.fields = std::string(kPageField) + ": " + std::to_string(page) + "\r\n";
      return all;
    });
    return listing;
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
  const std::optional<std::string> save = after(name, kSavesName);
  const std::optional<std::string> program = after(name, kExecName);
  if (!save && !program) return notAllowed("GET, HEAD");
  // A page of another origin that knows the address may still send a simple request; the
  // browser names its origin.
  if (request.origin != "http://" + host_) return Response::withoutBody(403, true);
  if (save) return changeSave(request, *save);
  if (request.method != "POST") return notAllowed("POST");
  std::optional<std::function<void()>> start =
      isPlainName(*program) ? events_.execAsked(*program) : std::nullopt;
  if (!start) return Response::withoutBody(404, true);
  // A shell handler may take its time (an installer's elevation prompt): the server goes on, and
  // the page hears how the start went once it is over.
  Response started;
  started.later = replyLater([start = std::move(*start)] {
    start();
    return Response::withoutBody(204, false);
  });
  return started;
}

Response LocalSite::changeSave(const HttpRequest& request, const std::string& name) {
  const std::optional<std::string> saveName = saveNameOf(name);
  SaveStore* saves = content_.saves();
  if (!saveName || saves == nullptr) return Response::withoutBody(404, true);
  if (request.method != "PUT" && request.method != "DELETE") return notAllowed("PUT, DELETE");
  const std::optional<SaveOrder> order = SaveOrder::parse(request.field(kOrderField));
  if (!order) return Response::withoutBody(400, false);
  const SaveLimits& limits = saves->limits();
  try {
    switch (request.method == "PUT" ? saves->write(*saveName, request.body, *order)
                                    : saves->remove(*saveName, *order)) {
      case SaveStore::Outcome::Done:
        return Response::withoutBody(204, false);
      case SaveStore::Outcome::BadName:
        return Response::withoutBody(404, true);
      case SaveStore::Outcome::LongName:
        return refusal(400, "A save's name holds at most " + std::to_string(limits.nameLength) +
                                " characters here.");
      case SaveStore::Outcome::TooLarge:
        return refusal(413, "A save holds at most " + std::to_string(limits.saveBytes) +
                                " bytes, and a projector at most " + std::to_string(limits.saves) +
                                " saves of " + std::to_string(limits.totalBytes) +
                                " bytes in all.");
      case SaveStore::Outcome::Superseded:
        return refusal(409, "A later change to this save was kept.");
      case SaveStore::Outcome::CaseClash:
        return refusal(409, "Another save's name differs from this one in case alone.");
    }
  } catch (const FileError&) {
  }
  return Response::withoutBody(500, false);
}

}  // namespace pravix::stub
