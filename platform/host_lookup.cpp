#include "platform/host_lookup.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <mutex>
#include <system_error>
#include <thread>

#include "platform/cp932.h"
#include "platform/last_error.h"
#include "platform/wake_event.h"

namespace platform {
namespace {

std::atomic<int> runningLookups{0};

HostLookupFailure FailureOf(int lookupCode) {
  switch (lookupCode) {
    case EAI_AGAIN:
      return HostLookupFailure::kTryAgain;
    case EAI_FAIL:
      return HostLookupFailure::kNoRecovery;
    case EAI_NODATA:
    case EAI_ADDRFAMILY:
      return HostLookupFailure::kNoAddress;
    case EAI_MEMORY:
      return HostLookupFailure::kNoMemory;
    case EAI_SYSTEM:
      return HostLookupFailure::kSystem;
    default:  // EAI_NONAME and every other refusal: the name is not known
      return HostLookupFailure::kNotFound;
  }
}

}  // namespace

// What one lookup thread hands back. The thread and the resolver each hold it; whichever lets go
// last closes the wake event.
struct HostResolver::Lookup {
  WakeEvent wake;
  std::mutex mutex;
  bool finished = false;  // guarded by mutex, as is the outcome
  HostLookupOutcome outcome;
};

bool HostResolver::Start(const std::string& host, Done done) {
  Cancel();
  auto lookup = std::make_shared<Lookup>();
  if (!lookup->wake.IsValid()) return false;
  std::string name = Cp932ToUtf8(host);
  runningLookups.fetch_add(1);
  try {
    std::thread([lookup, name = std::move(name)]() mutable {
      addrinfo hints{};
      hints.ai_family = AF_INET;
      hints.ai_socktype = SOCK_STREAM;
      addrinfo* found = nullptr;
      const int code =
          name.empty() ? EAI_NONAME : ::getaddrinfo(name.c_str(), nullptr, &hints, &found);
      const int savedErrno = errno;
      HostLookupOutcome outcome;
      if (code != 0 || !found) {
        outcome.failure = FailureOf(code == 0 ? EAI_NONAME : code);
        if (outcome.failure == HostLookupFailure::kSystem) outcome.errnoValue = savedErrno;
      } else {
        outcome.address =
            ntohl(reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr.s_addr);
      }
      if (found) ::freeaddrinfo(found);
      {
        std::lock_guard<std::mutex> lock(lookup->mutex);
        lookup->finished = true;
        lookup->outcome = outcome;
      }
      lookup->wake.Signal();
      lookup.reset();
      runningLookups.fetch_sub(1);
    }).detach();
  } catch (const std::system_error& failure) {
    runningLookups.fetch_sub(1);
    SetLastError(failure.code().value());
    return false;
  }
  pending_ = std::move(lookup);
  done_ = std::move(done);
  watch_ = loop_.WatchReadable(pending_->wake.Descriptor(), [this] { OnWake(); });
  watch_->SetEnabled(true);
  return true;
}

void HostResolver::Cancel() {
  // The watch goes before our hold on the wake event, which the thread may then close.
  watch_.reset();
  pending_.reset();
  done_ = nullptr;
}

void HostResolver::OnWake() {
  HostLookupOutcome outcome;
  {
    std::lock_guard<std::mutex> lock(pending_->mutex);
    if (!pending_->finished) return;
    outcome = pending_->outcome;
  }
  Done done = std::move(done_);
  Cancel();
  // `done` may start another lookup on this resolver or destroy nothing else: it runs last.
  if (done) done(outcome);
}

int LookupThreadsRunning() {
  return runningLookups.load();
}

bool ParseDottedAddress(const std::string& text, std::uint32_t& address) {
  in_addr dotted{};
  // The forms the platform's address parser takes, "127.1" included.
  if (text.empty() || ::inet_aton(text.c_str(), &dotted) == 0) return false;
  address = ntohl(dotted.s_addr);
  return true;
}

std::string DottedAddressText(std::uint32_t address) {
  in_addr where{};
  where.s_addr = htonl(address);
  char text[INET_ADDRSTRLEN] = {};
  ::inet_ntop(AF_INET, &where, text, sizeof text);
  return text;
}

std::string LocalHostName() {
  char name[256] = {};
  if (::gethostname(name, sizeof name - 1) != 0) return {};
  return name;
}

std::string FirstInterfaceAddress() {
  std::string found;
  ifaddrs* interfaces = nullptr;
  if (::getifaddrs(&interfaces) != 0) return found;
  for (ifaddrs* entry = interfaces; entry; entry = entry->ifa_next) {
    if (!entry->ifa_addr || entry->ifa_addr->sa_family != AF_INET) continue;
    if ((entry->ifa_flags & IFF_UP) == 0 || (entry->ifa_flags & IFF_LOOPBACK) != 0) continue;
    const auto* where = reinterpret_cast<const sockaddr_in*>(entry->ifa_addr);
    found = DottedAddressText(ntohl(where->sin_addr.s_addr));
    break;
  }
  ::freeifaddrs(interfaces);
  return found;
}

}  // namespace platform
