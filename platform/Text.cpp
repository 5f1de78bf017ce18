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

std::optional<std::u16string> utf16Of(std::string_view text) {
  std::u16string wide;
  wide.reserve(text.size());
  for (size_t at = 0; at < text.size();) {
    const auto lead = static_cast<unsigned char>(text[at]);
    if (lead < 0x80) {
      wide += static_cast<char16_t>(lead);
      ++at;
      continue;
    }
    const size_t end = utf8End(text, at);
    if (end == at) return std::nullopt;
    uint32_t code = lead & (0x7Fu >> (end - at));
    for (size_t i = at + 1; i < end; ++i) code = code << 6 | (text[i] & 0x3Fu);
    if (code >= 0x10000) {
      code -= 0x10000;
      wide += static_cast<char16_t>(0xD800 + (code >> 10));
      wide += static_cast<char16_t>(0xDC00 + (code & 0x3FF));
    } else {
      wide += static_cast<char16_t>(code);
    }
    at = end;
  }
  return wide;
}

std::optional<std::string> utf8Of(std::u16string_view text) {
  std::string narrow;
  narrow.reserve(text.size());
  for (size_t at = 0; at < text.size(); ++at) {
    uint32_t code = text[at];
    if (code >= 0xD800 && code <= 0xDFFF) {
      if (code > 0xDBFF || at + 1 == text.size() || text[at + 1] < 0xDC00 ||
          text[at + 1] > 0xDFFF) {
        return std::nullopt;
      }
      code = 0x10000 + ((code - 0xD800) << 10) + (text[++at] - 0xDC00u);
    }
    if (code < 0x80) {
      narrow += static_cast<char>(code);
    } else if (code < 0x800) {
      narrow += static_cast<char>(0xC0 | code >> 6);
      narrow += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
      narrow += static_cast<char>(0xE0 | code >> 12);
      narrow += static_cast<char>(0x80 | (code >> 6 & 0x3F));
      narrow += static_cast<char>(0x80 | (code & 0x3F));
    } else {
      narrow += static_cast<char>(0xF0 | code >> 18);
      narrow += static_cast<char>(0x80 | (code >> 12 & 0x3F));
      narrow += static_cast<char>(0x80 | (code >> 6 & 0x3F));
      narrow += static_cast<char>(0x80 | (code & 0x3F));
    }
  }
  return narrow;
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
