#pragma once
// The comm component's identity and members: its class, interfaces and the values of its
// InputMode property, which the serial control of the control library reaches by name.

#include <cstdint>

#include "automation/type_info.h"

namespace components::comm::members {

using automation::Guid;

inline constexpr Guid kClsid{
    0x6CABE4C3, 0xE223, 0x4096, {0xB6, 0x93, 0x91, 0x43, 0x7B, 0x0B, 0xE5, 0x1C}};
inline constexpr Guid kInterfaceIid{
    0xAE97E190, 0xD4E6, 0x4E3F, {0x85, 0xAA, 0x37, 0xB3, 0x5D, 0x0F, 0xD0, 0x85}};
inline constexpr Guid kEventsIid{
    0x3FBF113E, 0x07A5, 0x48A5, {0xA3, 0x07, 0x2A, 0xA1, 0x87, 0x43, 0x6D, 0x57}};
inline constexpr char16_t kProgId[] = u"CommTestKit.CommComponent";

// The interface _CommComponent, its event interface __CommComponent (one event, OnComm, without
// arguments: CommEvent tells the cause) and the class, as one table each (comm_members.cpp):
// every member's name, DISPID, kind and accessors are written there once, and the dispatch
// adapter binds its handlers to them by name.
extern const automation::ClassInfo kClass;

// The InputMode values.
inline constexpr std::int32_t kInputModeText = 0;
inline constexpr std::int32_t kInputModeBinary = 1;

}  // namespace components::comm::members
