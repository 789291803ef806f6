#pragma once
// The window messages that the socket endpoints post to the main window.

namespace tcpip {

// A connection waits to be accepted; no parameters.
inline constexpr unsigned WM_SOCK_ACCEPT = 8101;
// A connection has data; first parameter: the PeerEndpoint.
inline constexpr unsigned WM_SOCK_RECEIVE = 9101;
// A connection was closed by the peer or broke; first parameter: the PeerEndpoint.
inline constexpr unsigned WM_SOCK_CLOSE = 9102;

}  // namespace tcpip
