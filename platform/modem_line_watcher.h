#pragma once
// Watches a port's modem input lines on a thread of its own: the driver's modem-line wait cannot
// sit in a poll set. Every change of CTS, DSR, RING or RLSD signals a WakeEvent that the reader
// polls. A port without modem lines (a pseudo-terminal) ends the watch at once.

#include <condition_variable>
#include <mutex>
#include <thread>

#include "platform/wake_event.h"

namespace platform {

class ModemLineWatcher {
 public:
  // Starts watching `fd`, signalling `changed` at every change. The descriptor must stay open
  // until Stop() has returned.
  ModemLineWatcher(int fd, WakeEvent& changed);
  // Stops the watch.
  ~ModemLineWatcher();
  ModemLineWatcher(const ModemLineWatcher&) = delete;
  ModemLineWatcher& operator=(const ModemLineWatcher&) = delete;

  // Wakes the watching thread out of the driver's wait and joins it. Later calls do nothing.
  void Stop();

 private:
  void Watch(int fd, WakeEvent& changed);

  std::mutex mutex_;
  std::condition_variable ended_;
  bool stopping_ = false;
  bool finished_ = false;
  std::thread thread_;
};

}  // namespace platform
