#pragma once
// The messages between the host's window (user-interface process) and its page (web process).

namespace pagehost {

// Page to window: end the host, parameters (i) the exit code.
inline constexpr const char* kMessageQuit = "quit";
// Page to window: window.resizeTo (ii) and window.moveTo (ii).
inline constexpr const char* kMessageResize = "resize";
inline constexpr const char* kMessageMove = "move";
// Window to page: release the page's controls now (the window is closing); answered when done.
inline constexpr const char* kMessageRelease = "release";

}  // namespace pagehost
