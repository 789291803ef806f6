#pragma once
// The comm component: a dispatch object with the members of comm_members.h, living on the
// apartment of the thread that creates it and driven by that thread's readiness loop.

#include "automation/dispatch.h"
#include "components/comm/comm_members.h"
#include "platform/readiness.h"

namespace components {

automation::Result<automation::Ref<automation::Dispatch>> CreateCommComponent(
    platform::ReadinessLoop& loop);

}  // namespace components
