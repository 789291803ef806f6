#pragma once
// Name resolution that never blocks the apartment's thread: each lookup runs on a thread of its
// own, and its result comes back only through the thread's readiness loop (a wake event that the
// loop watches), so the caller meets the result on its own thread and nothing is shared with the
// lookup thread but one hand-off guarded by a mutex.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/readiness.h"

namespace platform {

// Why a lookup found no address, in the resolver's own terms; callers map these onto their own
// error numbers.
enum class HostLookupFailure {
  kNone,        // found: the address is valid
  kNotFound,    // the name is not known
  kTryAgain,    // a temporary failure of the name service
  kNoRecovery,  // the name service failed for good
  kNoAddress,   // the name is known but has no IPv4 address
  kNoMemory,
  kSystem,  // a system error, in errnoValue
};

struct HostLookupOutcome {
  HostLookupFailure failure = HostLookupFailure::kNone;
  int errnoValue = 0;
  std::uint32_t address = 0;  // host byte order
};

class HostResolver {
 public:
  using Done = std::function<void(const HostLookupOutcome& outcome)>;

  explicit HostResolver(ReadinessLoop& loop) : loop_(loop) {}
  ~HostResolver() { Cancel(); }
  HostResolver(const HostResolver&) = delete;
  HostResolver& operator=(const HostResolver&) = delete;

  // Starts looking up `host` (CP932), dropping a lookup still under way. `done` runs later, on the
  // loop's thread, from inside the loop: never from inside Start. False (with the last error
  // set) when no lookup thread could be started.
  bool Start(const std::string& host, Done done);
  // Drops the lookup under way: its result is never delivered. The lookup thread ends by itself.
  void Cancel();
  bool Busy() const { return pending_ != nullptr; }

 private:
  struct Lookup;
  void OnWake();

  ReadinessLoop& loop_;
  std::shared_ptr<Lookup> pending_;
  std::unique_ptr<ReadinessWatch> watch_;
  Done done_;
};

// The lookup threads still running (a library that holds this code must not be unloaded while
// one runs).
int LookupThreadsRunning();

// A dotted IPv4 address in CP932 text, without any lookup: true with the address (host byte
// order), false for every other text.
bool ParseDottedAddress(const std::string& text, std::uint32_t& address);

// The dotted text of an IPv4 address (host byte order).
std::string DottedAddressText(std::uint32_t address);

// The machine's host name; empty when the system gives none.
std::string LocalHostName();

// The first IPv4 address of an interface that is up and is not the loopback; empty when there is
// none.
std::string FirstInterfaceAddress();

}  // namespace platform
