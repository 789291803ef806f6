#pragma once
// The library's two control classes, made by its class objects.

#include "platform/automation/error.h"
#include "platform/automation/unknown.h"

namespace controls {

// A new control with its inner control, on the calling thread's apartment.
platform::automation::Result<platform::automation::Ref<platform::automation::Unknown>>
CreateWinsockControl();
platform::automation::Result<platform::automation::Ref<platform::automation::Unknown>>
CreateMSCommControl();

}  // namespace controls
