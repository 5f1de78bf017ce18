// The version resource written and read.
#include "packaging/VersionResource.h"

#include <optional>

#include "packaging/ByteOrder.h"
#include "platform/Text.h"

namespace pravix {
namespace {

void padToFour(std::string& bytes) {
  bytes.resize((bytes.size() + 3) / 4 * 4, '\0');
}

void putText(std::string& bytes, std::u16string_view text) {
  for (const char16_t unit : text) appendLittleEndian(bytes, unit, 2);
  appendLittleEndian(bytes, 0, 2);
}

// A block: its header and key, `value` (its length in `valueLength` units), then `children`.
std::string block(std::u16string_view key, bool text, const std::string& value, size_t valueLength,
                  const std::string& children = {}) {
  std::string bytes(6, '\0');
  putText(bytes, key);
  padToFour(bytes);
  bytes += value;
  if (!children.empty()) padToFour(bytes);
  bytes += children;
  putLittleEndian(reinterpret_cast<uint8_t*>(bytes.data()), bytes.size(), 2);
  putLittleEndian(reinterpret_cast<uint8_t*>(bytes.data()) + 2, valueLength, 2);
  putLittleEndian(reinterpret_cast<uint8_t*>(bytes.data()) + 4, text ? 1 : 0, 2);
  return bytes;
}

// "1.2.3.4" as the two 32-bit halves of a fixed version; 0 for what it leaves out.
void putNumbers(std::string& bytes, const std::string& version) {
  uint16_t parts[4] = {0, 0, 0, 0};
  size_t part = 0;
  for (const char c : version) {
    if (c == '.') {
      ++part;
    } else if (part < 4) {
      parts[part] = static_cast<uint16_t>(parts[part] * 10 + (c - '0'));
    }
  }
  appendLittleEndian(bytes, uint32_t{parts[0]} << 16 | parts[1], 4);
  appendLittleEndian(bytes, uint32_t{parts[2]} << 16 | parts[3], 4);
}

std::string valueOf(const std::vector<VersionString>& strings, std::string_view name) {
  for (const VersionString& string : strings) {
    if (string.name == name) return string.value;
  }
  return {};
}

uint16_t u16(std::string_view bytes, size_t at) {
  return littleEndian16(reinterpret_cast<const uint8_t*>(bytes.data()) + at);
}

// A block read back: its key, where its value starts, and its end.
struct Block {
  std::u16string key;
  size_t value = 0;
  size_t end = 0;
};

std::optional<Block> blockAt(std::string_view bytes, size_t at, size_t end) {
  if (at + 6 > end) return std::nullopt;
  const size_t length = u16(bytes, at);
  if (length < 6 || at + length > end) return std::nullopt;
  Block found;
  found.end = at + length;
  size_t key = at + 6;
  for (; key + 2 <= found.end && u16(bytes, key) != 0; key += 2) found.key += u16(bytes, key);
  found.value = (key + 2 + 3) / 4 * 4;
  return found;
}

}  // namespace

std::string versionResource(const std::vector<VersionString>& strings) {
  std::string fixed;
  appendLittleEndian(fixed, 0xFEEF04BD, 4);  // the signature
  appendLittleEndian(fixed, 0x00010000, 4);  // the structure's version
  putNumbers(fixed, valueOf(strings, "FileVersion"));
  putNumbers(fixed, valueOf(strings, "ProductVersion"));
  appendLittleEndian(fixed, 0x3F, 4);     // the flags that mean something
  appendLittleEndian(fixed, 0, 4);        // none of them
  appendLittleEndian(fixed, 0x40004, 4);  // for Windows NT, 32-bit and later
  appendLittleEndian(fixed, 1, 4);        // an application
  appendLittleEndian(fixed, 0, 4);
  appendLittleEndian(fixed, 0, 8);  // no date

  std::string table;
  for (const VersionString& string : strings) {
    const std::u16string value = utf16Of(string.value).value_or(u"");
    std::string text;
    putText(text, value);
    padToFour(table);
    table += block(*utf16Of(string.name), true, text, value.size() + 1);
  }
  std::string translation;
  appendLittleEndian(translation, kVersionLanguage, 2);
  appendLittleEndian(translation, 1200, 2);  // UTF-16
  const std::string children =
      block(u"StringFileInfo", true, {}, 0, block(u"040904B0", true, {}, 0, table)) +
      block(u"VarFileInfo", true, {}, 0, block(u"Translation", false, translation, 4));
  return block(u"VS_VERSION_INFO", false, fixed, fixed.size(), children);
}

std::vector<VersionString> versionStrings(std::string_view resource) {
  std::vector<VersionString> strings;
  const std::optional<Block> root = blockAt(resource, 0, resource.size());
  if (!root || root->key != u"VS_VERSION_INFO") return strings;
  const size_t valueLength = u16(resource, 2);
  for (size_t at = (root->value + valueLength + 3) / 4 * 4; at < root->end;) {
    const std::optional<Block> child = blockAt(resource, at, root->end);
    if (!child) break;
    if (child->key == u"StringFileInfo") {
      const std::optional<Block> table = blockAt(resource, child->value, child->end);
      if (!table) break;
      for (size_t entry = table->value; entry < table->end;) {
        const std::optional<Block> string = blockAt(resource, entry, table->end);
        if (!string) break;
        std::u16string value;
        for (size_t unit = string->value; unit + 2 <= string->end && u16(resource, unit) != 0;
             unit += 2) {
          value += u16(resource, unit);
        }
        strings.push_back({utf8Of(string->key).value_or(""), utf8Of(value).value_or("")});
        entry = (string->end + 3) / 4 * 4;
      }
      break;
    }
    at = (child->end + 3) / 4 * 4;
  }
  return strings;
}

}  // namespace pravix
