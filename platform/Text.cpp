// UTF-8 sequences and JSON strings.
#include "platform/Text.h"

#include <cstdint>

namespace pravix {

size_t utf8End(std::string_view text, size_t at) {
  const auto lead = static_cast<unsigned char>(text[at]);
  const size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
  if (lead < 0xC2 || lead > 0xF4 || at + length > text.size()) return at;
  uint32_t code = lead & (0x7Fu >> length);
  for (size_t i = 1; i < length; ++i) {
    const auto next = static_cast<unsigned char>(text[at + i]);
    if ((next & 0xC0) != 0x80) return at;
    code = code << 6 | (next & 0x3Fu);
  }
  const uint32_t least = length == 2 ? 0x80 : length == 3 ? 0x800 : 0x10000;
  if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return at;
  return at + length;
}

std::string jsonString(std::string_view text) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string json = "\"";
  for (size_t at = 0; at < text.size();) {
    const auto c = static_cast<unsigned char>(text[at]);
    if (c == '"' || c == '\\') {
      json += '\\';
      json += static_cast<char>(c);
    } else if (c < 0x20 || c == 0x7F) {
      json += "\\u00";
      json += kHex[c >> 4];
      json += kHex[c & 0xF];
    } else if (c >= 0x80) {
      const size_t end = utf8End(text, at);
      if (end == at) {
        json += "\\ufffd";
        ++at;
      } else {
        json.append(text.substr(at, end - at));
        at = end;
      }
      continue;
    } else {
      json += static_cast<char>(c);
    }
    ++at;
  }
  return json + "\"";
}

std::string asciiLowerCase(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

}  // namespace pravix
