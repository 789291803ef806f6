#pragma once
// The library's two control classes, made by its class objects.

#include "automation/error.h"
#include "automation/unknown.h"

namespace controls {

// A new control with its inner control, on the calling thread's apartment.
automation::Result<automation::Ref<automation::Unknown>> CreateWinsockControl();
automation::Result<automation::Ref<automation::Unknown>> CreateMSCommControl();

}  // namespace controls
