// The types of the site's bodies, in one table.
#pragma once

#include <string>

namespace pravix::stub {

// The page's type, the saves listing's, and a refusal's that says why.
constexpr const char* kPageType = "text/html; charset=utf-8";
constexpr const char* kJsonType = "application/json";
constexpr const char* kTextType = "text/plain; charset=utf-8";

// The content type of a file by its name's extension, in any case; "application/octet-stream"
// for one the table does not know.
std::string contentTypeOf(const std::string& name);

}  // namespace pravix::stub
