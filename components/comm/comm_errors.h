#pragma once
// The error numbers of the comm component, as scripts written for the original platform's comm
// control test them, and their descriptions.

#include <string_view>

namespace components::comm {

inline constexpr int kErrDeviceUnavailable = 68;  // the port does not exist or was lost
inline constexpr int kErrInvalidPropertyValue = 380;
inline constexpr int kErrPropertyIsReadOnly = 383;
inline constexpr int kErrPropertyIsWriteOnly = 394;
inline constexpr int kErrPortOpen = 8000;  // not valid while the port is open
inline constexpr int kErrPortInvalid = 8002;
inline constexpr int kErrPortAlreadyOpen = 8005;
inline constexpr int kErrSetCommStateFailed = 8015;
inline constexpr int kErrPortNotOpen = 8018;

// The description of one of the numbers above (English, as the original platform's control gives
// it); empty for any other number.
std::string_view CommErrorDescription(int number);

// Success (0) or one of the error numbers above.
struct [[nodiscard]] CommStatus {
  int error = 0;
  bool ok() const { return error == 0; }
  explicit operator bool() const { return ok(); }
};

}  // namespace components::comm
