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

namespace platform::winsock {

class HostResolver {
 public:
  // The outcome: error 0 and the IPv4 address (host byte order), or a component error number
  // (11001 host not found, ...).
  using Done = std::function<void(int error, std::uint32_t address)>;

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

}  // namespace platform::winsock
