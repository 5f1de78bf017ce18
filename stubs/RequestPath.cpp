// Decoding a request's path: percent escapes, UTF-8, and the segments Windows would read as
// something other than a plain name.
#include "stubs/RequestPath.h"

#include <cstdint>

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

// Whether `text` is well-formed UTF-8 without control characters (C0, DEL and C1): the shortest
// form of every code point, no surrogates, nothing beyond U+10FFFF.
bool isPlainUtf8(std::string_view text) {
  for (size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    if (lead < 0x80) {
      if (lead < 0x20 || lead == 0x7F) return false;
      ++i;
      continue;
    }
    size_t length = 0;
    uint32_t point = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2;
      point = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3;
      point = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4;
      point = lead & 0x07;
    } else {
      return false;  // a continuation byte, or a lead byte of an overlong or too large form
    }
    if (i + length > text.size()) return false;
    for (size_t k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      point = point << 6 | (next & 0x3F);
    }
    const uint32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (point < smallest[length] || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF) ||
        (point >= 0x80 && point <= 0x9F)) {
      return false;
    }
    i += length;
  }
  return true;
}

}  // namespace

bool isPlainName(std::string_view name) {
  if (name.empty() || name == "." || name == "..") return false;
  if (name.back() == '.' || name.back() == ' ') return false;
  if (name.find_first_of("/\\:<>\"|*?") != std::string_view::npos) return false;
  return isPlainUtf8(name) && !isReservedDeviceName(name);
}

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
