#pragma once
// The host's own classes by ProgID, which a host asks before its class registry:
// Scripting.FileSystemObject, Scripting.Dictionary, WScript.Shell, WScript.Network, ADODB.Stream.

#include <string_view>

#include "automation/dispatch.h"

namespace hostobjects {

// A new object of the class named (without regard to case), or a null reference when the name
// is none of the host's own.
automation::Ref<automation::Dispatch> CreateHostObject(std::u16string_view progId);

}  // namespace hostobjects
