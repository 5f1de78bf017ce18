// The page's text: page/page.html with each of its own scripts written into its script element,
// made at build time (embed_page.py), its places for the title and the settings still open.
#pragma once

#include <string_view>

namespace pravix::stub {

extern const std::string_view kPageText;

}  // namespace pravix::stub
