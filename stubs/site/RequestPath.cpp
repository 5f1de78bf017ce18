// Decoding a request's path: percent escapes, UTF-8, and the segments Windows would read as
// something other than a plain name.
#include "stubs/site/RequestPath.h"

#include "platform/Path.h"

namespace pravix::stub {
namespace {

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// `segment` with its escapes decoded; nothing when an escape is malformed or decodes to "/" (a
// separator in disguise) or NUL.
std::optional<std::string> unescaped(std::string_view segment) {
  std::string text;
  for (size_t i = 0; i < segment.size(); ++i) {
    if (segment[i] != '%') {
      text += segment[i];
      continue;
    }
    if (i + 2 >= segment.size()) return std::nullopt;
    const int high = hexValue(segment[i + 1]);
    const int low = hexValue(segment[i + 2]);
    if (high < 0 || low < 0) return std::nullopt;
    const char c = static_cast<char>(high * 16 + low);
    if (c == '/' || c == '\0') return std::nullopt;
    text += c;
    i += 2;
  }
  return text;
}

}  // namespace

std::optional<std::string> decodeRequestPath(std::string_view target) {
  target = target.substr(0, target.find('?'));
  if (target.empty() || target.front() != '/') return std::nullopt;
  target.remove_prefix(1);
  std::string path;
  while (!target.empty()) {
    const size_t slash = target.find('/');
    const std::optional<std::string> segment = unescaped(target.substr(0, slash));
    if (!segment || !isPlainName(*segment)) return std::nullopt;
    path += *segment;
    if (slash == std::string_view::npos) break;
    path += '/';
    target.remove_prefix(slash + 1);
  }
  return path;
}

}  // namespace pravix::stub
