#pragma once
// The library's type information, as data: both controls' interfaces with every member, their
// event interfaces, the enumerations, the classes and the type library itself.

#include "automation/type_info.h"

namespace controls {

extern const automation::InterfaceInfo kWinsockInterface;  // _Winsock
extern const automation::InterfaceInfo kWinsockEvents;     // __Winsock
extern const automation::InterfaceInfo kMSCommInterface;   // _MSComm
extern const automation::InterfaceInfo kMSCommEvents;      // __MSComm

const automation::TypeLibInfo& QuorvaneTypeLib();

// The two control classes of the library's type information.
const automation::ClassInfo& WinsockClass();
const automation::ClassInfo& MSCommClass();

}  // namespace controls
