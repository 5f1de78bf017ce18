// Path helpers shared by every part of the program: extension, directory and name.
#pragma once

#include <string>
#include <string_view>

namespace pravix {

// What splits a path into parts, and which bytes start a double-byte character in the code page.
// The second byte of a double-byte character never counts as a separator or as ".".
struct PathRules {
  std::string_view separators;
  bool (*isLeadByte)(unsigned char);
};

// The rules of the platform: "\" and ":" with the ANSI code page's lead bytes on Win32, "/"
// elsewhere.
const PathRules& hostPathRules();

// The part from the last "." onward when no separator follows it; empty otherwise.
std::string fileExtension(std::string_view path, const PathRules& rules = hostPathRules());

// Replaces the extension with `extension` (which carries its own "."), or appends it.
std::string changeFileExtension(std::string_view path, std::string_view extension,
                                const PathRules& rules = hostPathRules());

// The part up to and including the last separator; empty when there is none.
std::string fileDirectory(std::string_view path, const PathRules& rules = hostPathRules());

// The part after the last separator.
std::string fileName(std::string_view path, const PathRules& rules = hostPathRules());

// Whether Windows takes a file name (UTF-8) for a device in every folder: CON, PRN, AUX, NUL,
// CONIN$, CONOUT$, COM0-9 and LPT0-9 and COM or LPT with a superscript 1, 2 or 3, in any case,
// with any extension and trailing blanks before it.
bool isReservedDeviceName(std::string_view name);

// Whether `name` (UTF-8) is a plain file name in any script, which Windows takes for nothing else:
// not empty, "." or ".."; no separator, colon, control character (C1 included) or one of
// < > " | * ?; not ending in a dot or a blank; well-formed UTF-8; no device name.
bool isPlainName(std::string_view name);

}  // namespace pravix
