#include "components/socket/winsock_errors.h"

#include <cerrno>

namespace components::winsock {
namespace {

constexpr ErrorText kTexts[] = {
    {10004, "The operation is canceled."},
    {10014, "The requested address is a broadcast address, but flag is not set."},
    {10035, "Socket is non-blocking and the specified operation will block."},
    {10036, "A blocking Winsock operation is in progress."},
    {10037, "The operation is completed. No blocking operation is in progress."},
    {10038, "The descriptor is not a socket."},
    {10040, "The datagram is too large to fit into the buffer and is truncated."},
    {10043, "The specified port is not supported."},
    {10048, "Address in use."},
    {10049, "Address not available from the local machine."},
    {10050, "Network subsystem failed."},
    {10051, "The network cannot be reached from this host at this time."},
    {10052, "Connection has timed out when SO_KEEPALIVE is set."},
    {10053, "Connection is aborted due to timeout or other failure."},
    {10054, "The connection is reset by remote side."},
    {10055, "No buffer space is available."},
    {10056, "Socket is already connected."},
    {10057, "Socket is not connected."},
    {10058, "Socket has been shut down."},
    {10060, "The connection attempt timed out."},
    {10061, "Connection is forcefully rejected."},
    {10093, "WinsockInit should be called first."},
    {11001, "Authoritative answer: Host not found."},
    {11002, "Non-Authoritative answer: Host not found."},
    {11003, "Non-recoverable errors."},
    {11004, "Valid name, no data record of requested type."},
    {40006, "Wrong protocol or connection state for the requested transaction or request."},
    {40014,
     "The argument passed to a function was not in the correct format or in the specified "
     "range."},
    {40018, "Unsupported variant type."},
    {40020, "Invalid operation at current state."},
    {40021, "Argument is out of range."},
    {40026, "Wrong protocol for the requested transaction or request."},
};

// How the Linux errors that sockets give map onto the numbers above. Each code appears once;
// EAGAIN and EWOULDBLOCK are one code on Linux.
constexpr ErrnoMapping kErrnos[] = {
    {ECANCELED, 10004},       {EINTR, 10004},
    {EACCES, 10014},  // a broadcast without the broadcast option, or a port kept for root
    {EFAULT, 10014},          {EINVAL, 40014},
    {EAGAIN, 10035},          {EINPROGRESS, 10036},
    {EALREADY, 10037},        {EBADF, 10038},
    {ENOTSOCK, 10038},        {EMSGSIZE, 10040},
    {EPROTONOSUPPORT, 10043}, {ESOCKTNOSUPPORT, 10043},
    {EADDRINUSE, 10048},      {EADDRNOTAVAIL, 10049},
    {ENETDOWN, 10050},        {EIO, 10050},
    {ENETUNREACH, 10051},     {EHOSTUNREACH, 10051},
    {EHOSTDOWN, 10051},       {ENETRESET, 10052},
    {ECONNABORTED, 10053},    {EPIPE, 10053},
    {ECONNRESET, 10054},      {ENOBUFS, 10055},
    {ENOMEM, 10055},          {EMFILE, 10055},
    {ENFILE, 10055},          {EISCONN, 10056},
    {ENOTCONN, 10057},        {ESHUTDOWN, 10058},
    {ETIMEDOUT, 10060},       {ECONNREFUSED, 10061},
    {EAFNOSUPPORT, 10093},
};

}  // namespace

std::span<const ErrorText> ErrorTexts() {
  return kTexts;
}

std::string_view ErrorDescription(int number) {
  for (const auto& entry : ErrorTexts()) {
    if (entry.number == number) return entry.text;
  }
  return {};
}

std::span<const ErrnoMapping> ErrnoMappings() {
  return kErrnos;
}

int FromErrno(int errnoValue) {
  for (const auto& entry : kErrnos) {
    if (entry.errnoValue == errnoValue) return entry.number;
  }
  return kNetworkSubsystemFailed;
}

int FromLookupOutcome(const platform::HostLookupOutcome& outcome) {
  switch (outcome.failure) {
    case platform::HostLookupFailure::kNone:
      return 0;
    case platform::HostLookupFailure::kTryAgain:
      return 11002;
    case platform::HostLookupFailure::kNoRecovery:
      return 11003;
    case platform::HostLookupFailure::kNoAddress:
      return 11004;
    case platform::HostLookupFailure::kNoMemory:
      return kNoBufferSpace;
    case platform::HostLookupFailure::kSystem:
      return FromErrno(outcome.errnoValue);
    case platform::HostLookupFailure::kNotFound:
      break;
  }
  return kHostNotFound;
}

}  // namespace components::winsock
