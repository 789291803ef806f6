#pragma once
// What the host serves to a page: the page's own file and what lies beside it (its folder and the
// folders below), read from disk, and nothing else. The page is shown under a scheme of the
// host's own, so that every load passes here; the network is never asked.

#include <optional>
#include <string>
#include <string_view>

namespace pagehost {

// The scheme of the page's addresses: "qvpage:///srv/rig/page.hta".
inline constexpr std::string_view kPageScheme = "qvpage";

// The file a request names, when it lies inside `root` (an absolute, normal folder path); the
// request's path is absolute and already percent-decoded. Nothing when it lies outside.
std::optional<std::string> ResolveLocalRequest(std::string_view root, std::string_view requestPath);

// The media type that a file is served with, from its extension (any case); the page file of
// an HTML application (".hta") is HTML.
std::string_view MediaTypeOf(std::string_view path);

// Whether a file is a page (HTML), whose script elements the host rewrites, or a script file.
bool IsPageFile(std::string_view path);
bool IsScriptFile(std::string_view path);

}  // namespace pagehost
