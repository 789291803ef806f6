#pragma once
// DISPIDs of the MSComm control's interface _MSComm and its event interface __MSComm.

#include "automation/type_info.h"

namespace controls::mscomm {

using automation::DispId;

// Properties.
inline constexpr DispId kBreak = 0x68030018;
inline constexpr DispId kCDHolding = 0x68030017;
inline constexpr DispId kCommEvent = 0x68030016;
inline constexpr DispId kCommID = 0x68030015;
inline constexpr DispId kCommPort = 0x68030014;
inline constexpr DispId kCTSHolding = 0x68030013;
inline constexpr DispId kDSRHolding = 0x68030012;
inline constexpr DispId kDTREnable = 0x68030011;
inline constexpr DispId kEOFEnable = 0x68030010;
inline constexpr DispId kHandshaking = 0x6803000F;
inline constexpr DispId kInBufferCount = 0x6803000E;
inline constexpr DispId kInBufferSize = 0x6803000D;
inline constexpr DispId kInput2 = 0x6803000C;
inline constexpr DispId kInputLen = 0x6803000B;
inline constexpr DispId kInputMode = 0x6803000A;
inline constexpr DispId kNullDiscard = 0x68030009;
inline constexpr DispId kOutBufferCount = 0x68030008;
inline constexpr DispId kOutBufferSize = 0x68030007;
inline constexpr DispId kOutput = 0x68030006;
inline constexpr DispId kParityReplace = 0x68030005;
inline constexpr DispId kPortOpen = 0x68030004;
inline constexpr DispId kRThreshold = 0x68030003;
inline constexpr DispId kRTSEnable = 0x68030002;
inline constexpr DispId kSettings = 0x68030001;
inline constexpr DispId kSThreshold = 0x68030000;

// Methods.
inline constexpr DispId kStartEventForScript = 0x6003001E;
inline constexpr DispId kEndEventForScript = 0x6003001F;
inline constexpr DispId kGetEventParameters = 0x60030020;
inline constexpr DispId kByteArrayToStr = 0x60030021;
inline constexpr DispId kByteArrayToHex = 0x60030022;
inline constexpr DispId kStrToByteArray = 0x60030023;
inline constexpr DispId kHexToByteArray = 0x60030024;

// Event.
inline constexpr DispId kEventOnComm = 1;

}  // namespace controls::mscomm
