#include "platform/modem_line_watcher.h"

#include <pthread.h>
#include <signal.h>
#include <sys/ioctl.h>

#include <cerrno>
#include <chrono>

namespace platform {
namespace {

// The signal that interrupts the driver's modem-line wait. Its handler does nothing; it is
// installed without SA_RESTART so that the wait returns EINTR instead of resuming.
int WakeSignal() {
  return SIGRTMIN + 4;
}

void IgnoreWake(int) {}

void InstallWakeHandler() {
  static const bool installed = [] {
    struct sigaction action {};
    action.sa_handler = IgnoreWake;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;
    return sigaction(WakeSignal(), &action, nullptr) == 0;
  }();
  (void)installed;
}

}  // namespace

ModemLineWatcher::ModemLineWatcher(int fd, WakeEvent& changed) {
  InstallWakeHandler();
  thread_ = std::thread([this, fd, &changed] { Watch(fd, changed); });
}

ModemLineWatcher::~ModemLineWatcher() {
  Stop();
}

void ModemLineWatcher::Watch(int fd, WakeEvent& changed) {
  // The thread inherits its creator's signal mask; the wake signal must reach it.
  sigset_t wake;
  sigemptyset(&wake);
  sigaddset(&wake, WakeSignal());
  pthread_sigmask(SIG_UNBLOCK, &wake, nullptr);

  const int lines = TIOCM_CTS | TIOCM_DSR | TIOCM_RNG | TIOCM_CD;
  for (;;) {
    {
      std::lock_guard lock(mutex_);
      if (stopping_) break;
    }
    if (ioctl(fd, TIOCMIWAIT, lines) == 0) {
      changed.Signal();
      continue;
    }
    // Interrupted by Stop(), or a port without modem lines (ENOTTY) or one that is gone (EIO).
    if (errno != EINTR) break;
  }
  std::lock_guard lock(mutex_);
  finished_ = true;
  ended_.notify_all();
}

void ModemLineWatcher::Stop() {
  if (!thread_.joinable()) return;
  std::unique_lock lock(mutex_);
  stopping_ = true;
  // A signal that lands between the check of `stopping_` and the start of the driver's wait is
  // lost, so it is repeated until the thread has ended.
  while (!finished_) {
    pthread_kill(thread_.native_handle(), WakeSignal());
    ended_.wait_for(lock, std::chrono::milliseconds(5));
  }
  lock.unlock();
  thread_.join();
}

}  // namespace platform
