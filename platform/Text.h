// Text as other programs read it: UTF-8 sequences and JSON strings.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace pravix {

// Where the UTF-8 sequence of more than one byte that starts at `at` ends, when it is well formed
// (the shortest form of a code point up to U+10FFFF, no surrogate); `at` when it is not.
size_t utf8End(std::string_view text, size_t at);

// `text` in UTF-16, as Windows keeps text in resources; nothing when it is not UTF-8.
std::optional<std::u16string> utf16Of(std::string_view text);

// `text` in UTF-8; nothing when it holds a surrogate that is not one of a pair.
std::optional<std::string> utf8Of(std::u16string_view text);

// `text` with its ASCII capitals in lower case: a name as a Windows folder compares it, as far as
// ASCII goes.
std::string asciiLowerCase(std::string text);

// `text` as a JSON string, quotes included: quotes, backslashes and control characters escaped,
// bytes that are not UTF-8 replaced with U+FFFD.
std::string jsonString(std::string_view text);

}  // namespace pravix
