#pragma once
// The text of page_prelude.js, built into the extension.

#include <string_view>

namespace pagehost {

std::string_view PagePreludeSource();

}  // namespace pagehost
