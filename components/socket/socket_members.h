#pragma once
// The socket component's identity and members: its class, interfaces and the values of its State
// property, which the socket control of the control library reaches by name.

#include <cstdint>

#include "automation/type_info.h"

namespace components::winsock::members {

using automation::Guid;

inline constexpr Guid kClsid{
    0x172C5C18, 0x5458, 0x47F3, {0xA6, 0xE2, 0x2E, 0x0A, 0xF5, 0xCA, 0xF5, 0x03}};
inline constexpr Guid kInterfaceIid{
    0xEFCCFC82, 0xE5DE, 0x43BE, {0x82, 0x36, 0xC8, 0xE9, 0x6E, 0x85, 0x26, 0x1E}};
inline constexpr Guid kEventsIid{
    0x55F3CC4D, 0x4E1C, 0x4FED, {0xBA, 0xC7, 0x04, 0xEC, 0x04, 0xB5, 0xBC, 0x00}};
inline constexpr char16_t kProgId[] = u"CommTestKit.SocketComponent";

// The interface _SocketComponent, its event interface __SocketComponent and the class, as one
// table each (socket_members.cpp): every member's name, DISPID, kind and arguments are written
// there once, and the dispatch adapter binds its handlers to them by name.
extern const automation::ClassInfo kClass;

// The State values.
inline constexpr std::int16_t kStateClosed = 0;
inline constexpr std::int16_t kStateOpen = 1;
inline constexpr std::int16_t kStateListening = 2;
inline constexpr std::int16_t kStateConnectionPending = 3;
inline constexpr std::int16_t kStateResolvingHost = 4;
inline constexpr std::int16_t kStateHostResolved = 5;
inline constexpr std::int16_t kStateConnecting = 6;
inline constexpr std::int16_t kStateConnected = 7;
inline constexpr std::int16_t kStateClosing = 8;
inline constexpr std::int16_t kStateError = 9;

}  // namespace components::winsock::members
