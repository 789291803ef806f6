#include "platform/automation/socket_component.h"

namespace platform::automation {

// A placeholder until the component is built: creating it fails as a class that cannot be made.
Result<Ref<Dispatch>> CreateSocketComponent(ReadinessLoop&) {
  return MakeError(kErrCannotCreateObject);
}

}  // namespace platform::automation
