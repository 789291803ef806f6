#pragma once
// The window messages that the socket endpoints post to the main window. Each names its endpoint
// by the endpoint's id (SocketEndpoint::Id); all three are transport messages, whose handlers the
// queue never re-enters.

namespace tcpip {

// A connection waits to be accepted; first parameter: the ListenEndpoint.
inline constexpr unsigned WM_SOCK_ACCEPT = 8101;
// A connection has data; first parameter: the PeerEndpoint.
inline constexpr unsigned WM_SOCK_RECEIVE = 9101;
// A connection was closed by the peer or broke; first parameter: the PeerEndpoint.
inline constexpr unsigned WM_SOCK_CLOSE = 9102;

inline constexpr unsigned kSocketMessages[] = {WM_SOCK_ACCEPT, WM_SOCK_RECEIVE, WM_SOCK_CLOSE};

}  // namespace tcpip
