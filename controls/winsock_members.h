#pragma once
// DISPIDs of the Winsock control's interface _Winsock and its event interface __Winsock.

#include "automation/type_info.h"

namespace controls::winsock {

using automation::DispId;

// Properties.
inline constexpr DispId kBytesReceived = 0x68030009;
inline constexpr DispId kLocalHostName = 0x68030008;
inline constexpr DispId kLocalIP = 0x68030007;
inline constexpr DispId kLocalPort = 0x68030006;
inline constexpr DispId kProtocol = 0x68030005;
inline constexpr DispId kRemoteHost = 0x68030004;
inline constexpr DispId kRemoteHostIP = 0x68030003;
inline constexpr DispId kRemotePort = 0x68030002;
inline constexpr DispId kSocketHandle = 0x68030001;
inline constexpr DispId kState = 0x68030000;

// Methods.
inline constexpr DispId kAccept = 0x60030015;
inline constexpr DispId kBind = 0x60030016;
inline constexpr DispId kClose2 = 0x60030017;
inline constexpr DispId kConnect = 0x60030018;
inline constexpr DispId kGetData = 0x60030019;
inline constexpr DispId kListen = 0x6003001A;
inline constexpr DispId kPeekData = 0x6003001B;
inline constexpr DispId kSendData = 0x6003001C;
inline constexpr DispId kStartEventForScript = 0x6003001D;
inline constexpr DispId kEndEventForScript = 0x6003001E;
inline constexpr DispId kGetEventParameters = 0x6003001F;
inline constexpr DispId kByteArrayToStr = 0x60030020;
inline constexpr DispId kByteArrayToHex = 0x60030021;
inline constexpr DispId kStrToByteArray = 0x60030022;
inline constexpr DispId kHexToByteArray = 0x60030023;

// Events.
inline constexpr DispId kEventClose2 = 1;
inline constexpr DispId kEventConnect = 2;
inline constexpr DispId kEventConnectionRequest = 3;
inline constexpr DispId kEventDataArrival = 4;
inline constexpr DispId kEventError = 5;
inline constexpr DispId kEventSendComplete = 6;
inline constexpr DispId kEventSendProgress = 7;

}  // namespace controls::winsock
