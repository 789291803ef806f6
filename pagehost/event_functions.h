#pragma once
// Event functions in the page script's own dialect: `function Sock1::DataArrival(bytesTotal)`
// binds a function to an event of the object named Sock1. Standard script engines cannot parse
// that form, so the host rewrites its head into a plain function declaration with a name that
// the page's event binding looks for; everything else in the file stays byte for byte as it was,
// and every line keeps its number.

#include <string>
#include <string_view>

namespace pagehost {

// The name the rewritten declaration gets: "Sock1$$DataArrival".
std::string EventFunctionName(std::string_view object, std::string_view event);

// Rewrites every event-function head in script text.
std::string RewriteEventFunctions(std::string_view script);

// The same for a page: only the text inside <script> elements is script.
std::string RewriteEventFunctionsInPage(std::string_view page);

}  // namespace pagehost
