// Reading a request's header block: where it ends, the request line and the fields that frame it.
#include "stubs/http/HttpRequest.h"

#include <algorithm>
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
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
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

// A field value holds no control character but the tab: no NUL, no CR that ends no line.
bool isFieldValue(std::string_view value) {
  for (char c : value) {
    const auto byte = static_cast<unsigned char>(c);
    if ((byte < 0x20 && c != '\t') || byte == 0x7F) return false;
  }
  return true;
}

// The items of a comma-separated field value, trimmed, to `visit` until it says no.
template <typename Visit>
bool eachItem(std::string_view value, Visit visit) {
  for (;;) {
    const size_t comma = value.find(',');
    if (!visit(trimmed(value.substr(0, comma)))) return false;
    if (comma == std::string_view::npos) return true;
    value.remove_prefix(comma + 1);
  }
}

// A Content-Length value: one number, or a list of the same number. `length` holds an earlier
// field's number, or nothing.
bool readLength(std::string_view value, std::optional<uint64_t>& length) {
  return eachItem(value, [&length](std::string_view item) {
    const std::optional<uint64_t> value = decimalNumber(item);
    if (!value || (length && *length != *value)) return false;
    length = value;
    return true;
  });
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

std::string HttpRequest::field(std::string_view name) const {
  for (const auto& [each, value] : fields) {
    if (sameText(each, name)) return value;
  }
  return {};
}

std::optional<uint64_t> decimalNumber(std::string_view digits) {
  if (digits.empty() || digits.size() > 15) return std::nullopt;
  uint64_t value = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<uint64_t>(c - '0');
  }
  return value;
}

std::optional<ByteRange> byteRange(std::string_view field, uint64_t size) {
  constexpr std::string_view kUnit = "bytes=";
  if (field.substr(0, kUnit.size()) != kUnit) return std::nullopt;
  field = trimmed(field.substr(kUnit.size()));
  const size_t dash = field.find('-');
  if (dash == std::string_view::npos) return std::nullopt;
  const std::string_view from = field.substr(0, dash);
  const std::optional<uint64_t> to = decimalNumber(field.substr(dash + 1));
  if (from.empty()) {
    if (!to) return std::nullopt;
    const uint64_t length = std::min(*to, size);
    return ByteRange{size - length, length};
  }
  const std::optional<uint64_t> first = decimalNumber(from);
  if (!first || (field.size() > dash + 1 && (!to || *to < *first))) return std::nullopt;
  if (*first >= size) return ByteRange{size, 0};
  const uint64_t last = to ? std::min(*to, size - 1) : size - 1;
  return ByteRange{*first, last - *first + 1};
}

size_t headerBlockLength(std::string_view input, size_t& scanned) {
  for (size_t at = input.find('\n', scanned); at != std::string_view::npos;
       at = input.find('\n', at + 1)) {
    // The blank line: LF, or CR LF, right after a line's end. Until the bytes after this LF are
    // in, the look resumes here.
    scanned = at;
    if (at + 1 == input.size()) return 0;
    if (input[at + 1] == '\n') return at + 2;
    if (input[at + 1] == '\r') {
      if (at + 2 == input.size()) return 0;
      if (input[at + 2] == '\n') return at + 3;
    }
  }
  scanned = input.size();
  return 0;
}

std::optional<RequestHead> parseHeaderBlock(std::string_view block) {
  const auto nextLine = [&block] {
    const size_t newline = block.find('\n');
    std::string_view line = block.substr(0, newline);
    block.remove_prefix(newline == std::string_view::npos ? block.size() : newline + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return line;
  };
  RequestHead head;
  HttpRequest& request = head.request;
  bool http10 = false;
  if (!readRequestLine(nextLine(), request, http10)) return std::nullopt;
  bool hostSeen = false;
  bool originSeen = false;
  std::optional<uint64_t> length;
  bool close = false;
  bool keepAlive = false;
  for (std::string_view line = nextLine(); !line.empty(); line = nextLine()) {
    const size_t colon = line.find(':');
    if (colon == std::string_view::npos || !isToken(line.substr(0, colon))) return std::nullopt;
    const std::string_view name = line.substr(0, colon);
    const std::string_view value = trimmed(line.substr(colon + 1));
    if (!isFieldValue(value)) return std::nullopt;
    if (sameText(name, "Host")) {
      if (hostSeen) return std::nullopt;
      hostSeen = true;
      request.host = value;
    } else if (sameText(name, "Origin")) {
      // Which origin sent a change is the one thing the writes are checked by: two leave it open.
      if (originSeen) return std::nullopt;
      originSeen = true;
      request.origin = value;
    } else if (sameText(name, "Range")) {
      request.range = value;
    } else if (sameText(name, "Content-Length")) {
      if (!readLength(value, length)) return std::nullopt;
    } else if (sameText(name, "Transfer-Encoding")) {
      // Bodies come with a length only: a coded one could hide a request inside it.
      return std::nullopt;
    } else if (sameText(name, "Connection")) {
      eachItem(value, [&](std::string_view option) {
        close = close || sameText(option, "close");
        keepAlive = keepAlive || sameText(option, "keep-alive");
        return true;
      });
    } else {
      request.fields.emplace_back(name, value);
    }
  }
  if (!hostSeen) return std::nullopt;
  // "close" wins over "keep-alive", wherever each stands.
  request.keepAlive = !close && (keepAlive || !http10);
  head.bodyLength = length.value_or(0);
  return head;
}

}  // namespace pravix::stub
