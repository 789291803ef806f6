#pragma once
// The comm component's identity and members: the DISPIDs and the event that the serial control
// of the control library relies on.

#include "automation/dispatch.h"

namespace components::comm::members {

using automation::DispId;
using automation::Guid;

inline constexpr Guid kClsid{
    0x6CABE4C3, 0xE223, 0x4096, {0xB6, 0x93, 0x91, 0x43, 0x7B, 0x0B, 0xE5, 0x1C}};
inline constexpr Guid kInterfaceIid{
    0xAE97E190, 0xD4E6, 0x4E3F, {0x85, 0xAA, 0x37, 0xB3, 0x5D, 0x0F, 0xD0, 0x85}};
inline constexpr Guid kEventsIid{
    0x3FBF113E, 0x07A5, 0x48A5, {0xA3, 0x07, 0x2A, 0xA1, 0x87, 0x43, 0x6D, 0x57}};
inline constexpr char16_t kProgId[] = u"CommTestKit.CommComponent";

// Properties.
inline constexpr DispId kCDHolding = 1;
inline constexpr DispId kCommID = 3;
inline constexpr DispId kCommPort = 4;
inline constexpr DispId kCTSHolding = 5;
inline constexpr DispId kDSRHolding = 7;
inline constexpr DispId kDTREnable = 9;
inline constexpr DispId kHandshaking = 10;
inline constexpr DispId kInBufferSize = 11;
inline constexpr DispId kInBufferCount = 12;
inline constexpr DispId kBreak = 13;
inline constexpr DispId kInputLen = 14;
inline constexpr DispId kNullDiscard = 16;
inline constexpr DispId kOutBufferSize = 17;
inline constexpr DispId kOutBufferCount = 18;
inline constexpr DispId kParityReplace = 19;
inline constexpr DispId kPortOpen = 20;
inline constexpr DispId kRThreshold = 21;
inline constexpr DispId kRTSEnable = 22;
inline constexpr DispId kSettings = 23;
inline constexpr DispId kSThreshold = 24;
inline constexpr DispId kOutput = 25;
inline constexpr DispId kInput = 26;
inline constexpr DispId kCommEvent = 27;
inline constexpr DispId kEOFEnable = 28;
inline constexpr DispId kInputMode = 29;

// The event, on the connection point of kEventsIid: no arguments; CommEvent tells the cause.
inline constexpr DispId kEventOnComm = 1;

inline constexpr std::int32_t kInputModeText = 0;
inline constexpr std::int32_t kInputModeBinary = 1;

}  // namespace components::comm::members
