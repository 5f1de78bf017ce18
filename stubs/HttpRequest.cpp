// Reading a request's header block: the request line and the few fields the server looks at.
#include "stubs/HttpRequest.h"

#include <cctype>

namespace pravix::stub {
namespace {

bool sameText(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

std::string_view trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) {
    text.remove_suffix(1);
  }
  return text;
}

bool isToken(std::string_view text) {
  if (text.empty()) return false;
  for (char c : text) {
    if (c <= ' ' || c >= 0x7F ||
        std::string_view("()<>@,;:\\\"/[]?={}").find(c) != std::string_view::npos) {
      return false;
    }
  }
  return true;
}

// Whether a comma-separated field value lists `option`.
bool lists(std::string_view value, std::string_view option) {
  while (!value.empty()) {
    const size_t comma = value.find(',');
    if (sameText(trimmed(value.substr(0, comma)), option)) return true;
    if (comma == std::string_view::npos) break;
    value.remove_prefix(comma + 1);
  }
  return false;
}

// The request line: METHOD SP TARGET SP HTTP/1.x.
bool readRequestLine(std::string_view line, HttpRequest& request, bool& http10) {
  const size_t first = line.find(' ');
  const size_t second = line.find(' ', first == std::string_view::npos ? first : first + 1);
  if (second == std::string_view::npos || line.find(' ', second + 1) != std::string_view::npos) {
    return false;
  }
  const std::string_view method = line.substr(0, first);
  const std::string_view target = line.substr(first + 1, second - first - 1);
  const std::string_view version = line.substr(second + 1);
  if (!isToken(method) || target.empty() || (version != "HTTP/1.1" && version != "HTTP/1.0")) {
    return false;
  }
  for (char c : target) {
    if (c <= ' ' || c >= 0x7F) return false;
  }
  request.method = method;
  request.target = target;
  http10 = version == "HTTP/1.0";
  return true;
}

}  // namespace

HeaderBlock readHeaderBlock(std::string_view input, size_t limit) {
  HeaderBlock block;
  std::string_view rest = input.substr(0, limit);
  // Robustness: blank lines before a request are skipped.
  size_t start = 0;
  while (start < rest.size() && (rest[start] == '\r' || rest[start] == '\n')) ++start;
  size_t end = std::string_view::npos;
  for (size_t at = rest.find('\n', start); at != std::string_view::npos;
       at = rest.find('\n', at + 1)) {
    const size_t next = at + 1;
    if (next < rest.size() && rest[next] == '\n') {
      end = next + 1;
      break;
    }
    if (next + 1 < rest.size() && rest[next] == '\r' && rest[next + 1] == '\n') {
      end = next + 2;
      break;
    }
  }
  if (end == std::string_view::npos) {
    block.status =
        input.size() >= limit ? HeaderBlock::Status::TooLarge : HeaderBlock::Status::Incomplete;
    return block;
  }
  block.length = end;
  block.status = HeaderBlock::Status::Malformed;

  std::string_view lines = rest.substr(start, end - start);
  const auto nextLine = [&lines] {
    const size_t newline = lines.find('\n');
    std::string_view line = lines.substr(0, newline);
    lines.remove_prefix(newline + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return line;
  };
  HttpRequest& request = block.request;
  bool http10 = false;
  if (!readRequestLine(nextLine(), request, http10)) return block;
  request.keepAlive = !http10;
  bool hostSeen = false;
  for (std::string_view line = nextLine(); !line.empty(); line = nextLine()) {
    const size_t colon = line.find(':');
    // A folded line (obsolete) or a name with blanks before its colon is refused.
    if (colon == std::string_view::npos || !isToken(line.substr(0, colon))) return block;
    const std::string_view name = line.substr(0, colon);
    const std::string_view value = trimmed(line.substr(colon + 1));
    if (sameText(name, "Host")) {
      request.hostRepeated = hostSeen;
      hostSeen = true;
      request.host = value;
    } else if (sameText(name, "Content-Length")) {
      request.hasBody = request.hasBody || value != "0";
    } else if (sameText(name, "Transfer-Encoding")) {
      request.hasBody = true;
    } else if (sameText(name, "Connection")) {
      if (lists(value, "close")) request.keepAlive = false;
      if (lists(value, "keep-alive")) request.keepAlive = true;
    }
  }
  block.status = HeaderBlock::Status::Complete;
  return block;
}

}  // namespace pravix::stub
