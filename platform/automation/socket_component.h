#pragma once
// The socket component: a dispatch object with the members of socket_members.h, living on the
// apartment of the thread that creates it and driven by that thread's readiness loop.

#include "platform/automation/socket_members.h"
#include "platform/readiness.h"

namespace platform::automation {

Result<Ref<Dispatch>> CreateSocketComponent(ReadinessLoop& loop);

}  // namespace platform::automation
