#include "components/comm/comm_errors.h"

namespace components::comm {

std::string_view CommErrorDescription(int number) {
  switch (number) {
    case kErrDeviceUnavailable:
      return "Device unavailable";
    case kErrInvalidPropertyValue:
      return "Invalid property value";
    case kErrPropertyIsReadOnly:
      return "Property is read-only";
    case kErrPropertyIsWriteOnly:
      return "Property is write-only";
    case kErrPortOpen:
      return "Operation not valid while the port is opened";
    case kErrPortInvalid:
      return "Invalid Port Number";
    case kErrPortAlreadyOpen:
      return "Port already open";
    case kErrSetCommStateFailed:
      return "Could not set comm state";
    case kErrPortNotOpen:
      return "Operation valid only when the port is open";
    default:
      return {};
  }
}

}  // namespace components::comm
