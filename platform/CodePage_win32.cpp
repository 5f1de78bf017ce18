// Conversions between UTF-16 and the 8-bit code pages that never take a look-alike.
#include "platform/CodePage.h"

#include "platform/File.h"

namespace pravix {

Narrowed toCodePage(std::wstring_view text, UINT codePage) {
  Narrowed result;
  if (text.empty()) return result;
  const int length = static_cast<int>(text.size());
  // UTF-8 holds every character, and takes neither flag nor default character.
  const bool utf8 = codePage == CP_UTF8;
  const DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
  BOOL usedDefault = FALSE;
  BOOL* const usedDefaultOut = utf8 ? nullptr : &usedDefault;
  const char* const defaultChar = utf8 ? nullptr : "?";
  const int size = WideCharToMultiByte(codePage, flags, text.data(), length, nullptr, 0,
                                       defaultChar, usedDefaultOut);
  if (size <= 0) {
    result.exact = false;
    return result;
  }
  result.text.resize(static_cast<size_t>(size));
  WideCharToMultiByte(codePage, flags, text.data(), length, result.text.data(), size, defaultChar,
                      usedDefaultOut);
  result.exact = usedDefault == FALSE;
  return result;
}

std::wstring fromCodePage(std::string_view text, UINT codePage) {
  if (text.empty()) return std::wstring();
  const int length = static_cast<int>(text.size());
  const int size = MultiByteToWideChar(codePage, 0, text.data(), length, nullptr, 0);
  std::wstring wide(static_cast<size_t>(size > 0 ? size : 0), L'\0');
  if (size > 0) MultiByteToWideChar(codePage, 0, text.data(), length, wide.data(), size);
  return wide;
}

void refuseUnrepresentable(const std::string& shown) {
  throw FileRefusedError(shown, "cannot be written in the system's code page; rename it");
}

std::string exactName(std::wstring_view name) {
  Narrowed narrowed = toCodePage(name, CP_ACP);
  if (!narrowed.exact) refuseUnrepresentable(narrowed.text);
  return std::move(narrowed.text);
}

}  // namespace pravix
