#pragma once
// The socket component's identity and members: the DISPIDs, argument orders and events that the
// socket control of the control library relies on.

#include "automation/dispatch.h"

namespace components::winsock::members {

using automation::DispId;
using automation::Guid;

inline constexpr Guid kClsid{
    0x172C5C18, 0x5458, 0x47F3, {0xA6, 0xE2, 0x2E, 0x0A, 0xF5, 0xCA, 0xF5, 0x03}};
inline constexpr Guid kInterfaceIid{
    0xEFCCFC82, 0xE5DE, 0x43BE, {0x82, 0x36, 0xC8, 0xE9, 0x6E, 0x85, 0x26, 0x1E}};
inline constexpr Guid kEventsIid{
    0x55F3CC4D, 0x4E1C, 0x4FED, {0xBA, 0xC7, 0x04, 0xEC, 0x04, 0xB5, 0xBC, 0x00}};
inline constexpr char16_t kProgId[] = u"CommTestKit.SocketComponent";

// Properties.
inline constexpr DispId kRemotePort = 1;
inline constexpr DispId kLocalPort = 2;
inline constexpr DispId kProtocol = 3;
inline constexpr DispId kRemoteHostIP = 4;
inline constexpr DispId kLocalHostName = 5;
inline constexpr DispId kLocalIP = 6;
inline constexpr DispId kSocketHandle = 7;
inline constexpr DispId kState = 8;
inline constexpr DispId kBytesReceived = 9;
inline constexpr DispId kRemoteHost = 10;

// Methods.
inline constexpr DispId kConnect = 64;   // [RemoteHost], [RemotePort]
inline constexpr DispId kListen = 65;    // none
inline constexpr DispId kAccept = 66;    // requestID (by reference)
inline constexpr DispId kSendData = 67;  // data (by reference)
inline constexpr DispId kGetData = 68;   // data (by reference), [type], [maxLen]
inline constexpr DispId kPeekData = 69;  // data (by reference), [type], [maxLen]
inline constexpr DispId kClose = 70;     // none
inline constexpr DispId kBind = 71;      // [LocalPort], [LocalIP]

// Events, on the connection point of kEventsIid.
inline constexpr DispId kEventClose = 1;
inline constexpr DispId kEventConnect = 2;
inline constexpr DispId kEventConnectionRequest = 3;  // requestID (4-byte integer)
inline constexpr DispId kEventDataArrival = 4;        // bytesTotal (4-byte integer)
// Number (I2), Description (String, by reference), Scode (I4), Source (String),
// HelpFile (String), HelpContext (I4), CancelDisplay (Bool, by reference)
inline constexpr DispId kEventError = 5;
inline constexpr DispId kEventSendComplete = 6;
inline constexpr DispId kEventSendProgress = 7;  // bytesSent (I4), bytesRemaining (I4)

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
