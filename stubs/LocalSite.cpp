// The serving rules: the Host check (against DNS rebinding), the secret, the methods, the fixed
// names and the fields every reply carries.
#include "stubs/LocalSite.h"

#include <utility>

#include "platform/System.h"

namespace pravix::stub {
namespace {

const char* reason(int status) {
  switch (status) {
    case 200:
      return "OK";
    case 204:
      return "No Content";
    case 400:
      return "Bad Request";
    case 404:
      return "Not Found";
    case 405:
      return "Method Not Allowed";
    case 421:
      return "Misdirected Request";
    case 431:
      return "Request Header Fields Too Large";
    default:
      return "Error";
  }
}

std::string head(int status, const std::string& fields, bool close) {
  return "HTTP/1.1 " + std::to_string(status) + " " + reason(status) + "\r\n" + fields +
         "Cache-Control: no-store\r\nX-Content-Type-Options: nosniff\r\nConnection: " +
         (close ? "close" : "keep-alive") + "\r\n\r\n";
}

bool endsWith(const std::string& text, const char* suffix) {
  const std::string end(suffix);
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

}  // namespace

std::string contentTypeOf(const std::string& name) {
  if (name.empty() || endsWith(name, ".html")) return "text/html; charset=utf-8";
  if (endsWith(name, ".js")) return "text/javascript";
  if (endsWith(name, ".wasm")) return "application/wasm";
  if (endsWith(name, ".swf")) return "application/x-shockwave-flash";
  return "application/octet-stream";
}

LocalSite::LocalSite(std::string secret, uint16_t port, std::vector<SiteFile> files)
    : secret_(std::move(secret)),
      host_("127.0.0.1:" + std::to_string(port)),
      files_(std::move(files)) {}

std::string LocalSite::address() const {
  return "http://" + host_ + "/" + secret_ + "/";
}

Reply LocalSite::refuse(int status) const {
  Reply reply;
  reply.status = status;
  reply.close = true;
  reply.head = head(status, "Content-Length: 0\r\n", true);
  return reply;
}

Reply LocalSite::answer(const HttpRequest& request) const {
  // A page of another site that has its name resolve to 127.0.0.1 (DNS rebinding) sends its own
  // name as the Host; only our own address is answered.
  if (request.host != host_ || request.hostRepeated) return refuse(421);
  // The server reads no bodies: one that was sent would be taken for the next request.
  if (request.hasBody) return refuse(400);
  const bool head = request.method == "HEAD";
  if (!head && request.method != "GET") {
    Reply reply = refuse(405);
    reply.head = ::pravix::stub::head(405, "Allow: GET, HEAD\r\nContent-Length: 0\r\n", true);
    return reply;
  }
  const std::string prefix = "/" + secret_ + "/";
  if (request.target.compare(0, prefix.size(), prefix) != 0) return refuse(404);
  // A query (a cache breaker) does not change the name.
  const std::string name =
      request.target.substr(prefix.size(), request.target.find('?') - prefix.size());
  Reply reply;
  reply.close = !request.keepAlive;
  if (name == kCallBackName || name == kEndName) {
    reply.status = 204;
    reply.callBack = name == kCallBackName;
    reply.end = name == kEndName;
    reply.head = ::pravix::stub::head(204, "", reply.close);
    return reply;
  }
  for (size_t index = 0; index < files_.size(); ++index) {
    const SiteFile& file = files_[index];
    if (file.name != name) continue;
    reply.status = 200;
    reply.file = index;
    reply.bodyLength = head ? 0 : file.size;
    reply.head = ::pravix::stub::head(200,
                                      "Content-Type: " + file.contentType +
                                          "\r\nContent-Length: " + std::to_string(file.size) +
                                          "\r\n" + (file.gzip ? "Content-Encoding: gzip\r\n" : ""),
                                      reply.close);
    return reply;
  }
  return refuse(404);
}

}  // namespace pravix::stub
