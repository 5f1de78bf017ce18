// A request's target turned into a relative path, or refused: the one place where a path from the
// page's side is decoded, each segment a plain name (platform/Path.h).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace pravix::stub {

// The path of an origin-form target ("/a/b%20c.swf?x"), without its leading "/" and without the
// query ("a/b c.swf"), its escapes decoded as UTF-8. A trailing "/" stays: "/a/" gives "a/", "/"
// gives "". Refused, whole, when anything in it is doubtful: a target that does not start with
// "/"; an escape that is malformed, "%00", or that decodes to "/" or to text that is not UTF-8
// (overlong forms and surrogates included); a segment that is not a plain name (isPlainName: empty,
// ".", "..", a backslash, a colon, a control character, one of < > " | * ?, a trailing dot or
// blank, a device name such as CON, nul.txt or COM1). Nothing is resolved.
std::optional<std::string> decodeRequestPath(std::string_view target);

}  // namespace pravix::stub
