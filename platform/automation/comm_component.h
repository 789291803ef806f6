#pragma once
// The comm component: a dispatch object with the members of comm_members.h, living on the
// apartment of the thread that creates it and driven by that thread's readiness loop.

#include "platform/automation/comm_members.h"
#include "platform/readiness.h"

namespace platform::automation {

Result<Ref<Dispatch>> CreateCommComponent(ReadinessLoop& loop);

}  // namespace platform::automation
