// Path helpers: the last-delimiter scan that respects double-byte characters.
#include "platform/Path.h"

#include <cctype>

#include "platform/Text.h"

namespace pravix {
namespace {

constexpr size_t kNone = std::string_view::npos;

// Index of the last byte in `path` that is one of `delimiters`, skipping the second byte of every
// double-byte character, or kNone.
size_t lastDelimiter(std::string_view path, std::string_view delimiters, const PathRules& rules) {
  size_t found = kNone;
  for (size_t i = 0; i < path.size(); ++i) {
    const auto byte = static_cast<unsigned char>(path[i]);
    if (rules.isLeadByte(byte)) {
      ++i;
    } else if (delimiters.find(static_cast<char>(byte)) != kNone) {
      found = i;
    }
  }
  return found;
}

size_t extensionStart(std::string_view path, const PathRules& rules) {
  std::string delimiters(rules.separators);
  delimiters += '.';
  const size_t at = lastDelimiter(path, delimiters, rules);
  return at != kNone && path[at] == '.' ? at : path.size();
}

}  // namespace

std::string fileExtension(std::string_view path, const PathRules& rules) {
  return std::string(path.substr(extensionStart(path, rules)));
}

std::string changeFileExtension(std::string_view path, std::string_view extension,
                                const PathRules& rules) {
  std::string changed(path.substr(0, extensionStart(path, rules)));
  changed += extension;
  return changed;
}

std::string fileDirectory(std::string_view path, const PathRules& rules) {
  const size_t at = lastDelimiter(path, rules.separators, rules);
  return std::string(path.substr(0, at == kNone ? 0 : at + 1));
}

std::string fileName(std::string_view path, const PathRules& rules) {
  return std::string(path.substr(fileDirectory(path, rules).size()));
}

bool isReservedDeviceName(std::string_view name) {
  name = name.substr(0, name.find('.'));
  while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
  std::string upper(name);
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  for (const char* device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"}) {
    if (upper == device) return true;
  }
  if (upper.rfind("COM", 0) != 0 && upper.rfind("LPT", 0) != 0) return false;
  const std::string_view number = std::string_view(upper).substr(3);
  // A digit, or a superscript one, two or three in UTF-8.
  return (number.size() == 1 && number[0] >= '0' && number[0] <= '9') || number == "\xC2\xB9" ||
         number == "\xC2\xB2" || number == "\xC2\xB3";
}

bool isPlainName(std::string_view name) {
  if (name.empty() || name == "." || name == "..") return false;
  if (name.back() == '.' || name.back() == ' ') return false;
  if (name.find_first_of("/\\:<>\"|*?") != std::string_view::npos) return false;
  for (size_t at = 0; at < name.size();) {
    const auto lead = static_cast<unsigned char>(name[at]);
    if (lead < 0x80) {
      if (lead < 0x20 || lead == 0x7F) return false;
      ++at;
      continue;
    }
    const size_t end = utf8End(name, at);
    // C1 controls, U+0080 to U+009F, are C2 80 to C2 9F.
    if (end == at || (lead == 0xC2 && static_cast<unsigned char>(name[at + 1]) <= 0x9F)) {
      return false;
    }
    at = end;
  }
  return !isReservedDeviceName(name);
}

}  // namespace pravix
