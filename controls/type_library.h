#pragma once
// The library's type information, as data: both controls' interfaces with every member, their
// event interfaces, the enumerations, the classes and the type library itself.

#include "platform/automation/type_info.h"

namespace controls {

extern const platform::automation::InterfaceInfo kWinsockInterface;  // _Winsock
extern const platform::automation::InterfaceInfo kWinsockEvents;     // __Winsock
extern const platform::automation::InterfaceInfo kMSCommInterface;   // _MSComm
extern const platform::automation::InterfaceInfo kMSCommEvents;      // __MSComm

const platform::automation::TypeLibInfo& QuorvaneTypeLib();

}  // namespace controls
