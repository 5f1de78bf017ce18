// A program's version resource (VS_VERSIONINFO), as Explorer's Details tab and
// GetFileVersionInfo read it: the fixed version numbers, then one table of strings (US English,
// UTF-16) and the translation that names it. Every block is its length (2 bytes), its value's
// length, its type (1 for text), its key (UTF-16, ended by a 0), then its value and its children,
// each on a boundary of 4.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "packaging/GameOptions.h"

namespace pravix {

// The language the version resource is written in and its strings' table names: US English.
constexpr uint16_t kVersionLanguage = 0x0409;

// The resource for `strings` (checked by checkOptions); FileVersion and ProductVersion also give
// the fixed version numbers, 0 for the parts they leave out.
std::string versionResource(const std::vector<VersionString>& strings);

// The strings of the first table of a version resource, in its order; as many as can be read.
std::vector<VersionString> versionStrings(std::string_view resource);

}  // namespace pravix
