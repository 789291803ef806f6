#pragma once
// The socket component: a dispatch object with the members of socket_members.h, living on the
// apartment of the thread that creates it and driven by that thread's readiness loop.

#include "automation/dispatch.h"
#include "components/socket/socket_members.h"
#include "platform/readiness.h"

namespace components {

automation::Result<automation::Ref<automation::Dispatch>> CreateSocketComponent(
    platform::ReadinessLoop& loop);

}  // namespace components
