#pragma once
// The socket component's error numbers and texts, as scripts written for the original platform's
// socket control know them, and the one mapping from Linux error codes and name-lookup failures
// onto them.

#include <cstdint>
#include <span>
#include <string_view>

#include "automation/error.h"
#include "platform/host_lookup.h"

namespace components::winsock {

// Numbers that the component raises itself (the rest come from the system's errors).
inline constexpr int kBadState = 40006;         // the call does not fit the protocol or state
inline constexpr int kInvalidArgument = 40014;  // an argument of the wrong form
inline constexpr int kUnsupportedType = 40018;  // a data type the call cannot carry
inline constexpr int kInvalidOperation = 40020;
inline constexpr int kOutOfRange = 40021;
inline constexpr int kWrongProtocol = 40026;
inline constexpr int kNotSocket = 10038;
inline constexpr int kMessageTooBig = 10040;
inline constexpr int kAddressNotAvailable = 10049;
inline constexpr int kNetworkSubsystemFailed = 10050;
inline constexpr int kConnectionReset = 10054;
inline constexpr int kNoBufferSpace = 10055;
inline constexpr int kTimedOut = 10060;
inline constexpr int kConnectionRefused = 10061;
inline constexpr int kHostNotFound = 11001;

struct ErrorText {
  int number;
  std::string_view text;
};

// Every number the component can report, in ascending order, with its text.
std::span<const ErrorText> ErrorTexts();
// The text of a number; the empty text for a number not in the table.
std::string_view ErrorDescription(int number);

struct ErrnoMapping {
  int errnoValue;
  int number;
};
// The Linux error codes that the component meets, each once, with the number it reports.
std::span<const ErrnoMapping> ErrnoMappings();
// The number for a Linux error code; a code not in the table reports that the network
// subsystem failed (10050).
int FromErrno(int errnoValue);
// The number for a name lookup's outcome: 0 when it found an address.
int FromLookupOutcome(const platform::HostLookupOutcome& outcome);

// The status code that an error event carries beside the number: the automation error's status
// code for that number (severity error, facility control, the number as its code).
constexpr std::int32_t ScodeOf(int number) {
  return automation::ScodeOfNumber(number);
}

// The source that errors and error events name.
inline constexpr std::string_view kErrorSource = "Winsock";

}  // namespace components::winsock
