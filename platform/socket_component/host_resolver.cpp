#include "platform/socket_component/host_resolver.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <atomic>
#include <cerrno>
#include <mutex>
#include <system_error>
#include <thread>

#include "platform/cp932.h"
#include "platform/last_error.h"
#include "platform/socket_component/winsock_errors.h"
#include "platform/wake_event.h"

namespace platform::winsock {
namespace {

std::atomic<int> runningLookups{0};

}  // namespace

// What one lookup thread hands back. The thread and the resolver each hold it; whichever lets go
// last closes the wake event.
struct HostResolver::Lookup {
  WakeEvent wake;
  std::mutex mutex;
  bool finished = false;  // guarded by mutex, as are the two results
  int error = 0;
  std::uint32_t address = 0;
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
      int error = 0;
      std::uint32_t address = 0;
      if (code != 0 || !found) {
        error = FromLookupFailure(code == 0 ? EAI_NONAME : code, savedErrno);
      } else {
        address = ntohl(reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr.s_addr);
      }
      if (found) ::freeaddrinfo(found);
      {
        std::lock_guard<std::mutex> lock(lookup->mutex);
        lookup->finished = true;
        lookup->error = error;
        lookup->address = address;
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
  int error = 0;
  std::uint32_t address = 0;
  {
    std::lock_guard<std::mutex> lock(pending_->mutex);
    if (!pending_->finished) return;
    error = pending_->error;
    address = pending_->address;
  }
  Done done = std::move(done_);
  Cancel();
  // `done` may start another lookup on this resolver or destroy nothing else: it runs last.
  if (done) done(error, address);
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

}  // namespace platform::winsock
