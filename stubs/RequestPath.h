// A request's target turned into a relative path, or refused: the one place where a path from the
// page's side is decoded. Free of Win32 so that the rules can be checked on any host.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace pravix::stub {

// The path of an origin-form target ("/a/b%20c.swf?x"), without its leading "/" and without the
// query ("a/b c.swf"), its escapes decoded as UTF-8. A trailing "/" stays: "/a/" gives "a/", "/"
// gives "". Refused, whole, when anything in it is doubtful: a target that does not start with
// "/"; an escape that is malformed, "%00", or that decodes to "/" or to text that is not UTF-8
// (overlong forms and surrogates included); a segment that is empty, ".", "..", or holds a
// backslash, a colon, a control character or one of < > " | * ?; a segment that ends in a dot or a
// blank, or is a name Windows keeps for a device (CON, nul.txt, COM1...). Nothing is resolved.
std::optional<std::string> decodeRequestPath(std::string_view target);

// Whether `name` (UTF-8) is one such segment: a plain file name in any script, which Windows takes
// for nothing else.
bool isPlainName(std::string_view name);

}  // namespace pravix::stub
