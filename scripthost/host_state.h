#pragma once
// Why a running script is being stopped. The first reason wins: a Quit that comes while a
// timeout is being handled does not change the outcome, nor the other way round. The script's
// own code runs on the main thread; only the timeout comes from another thread.

#include <atomic>
#include <string>

namespace scripthost {

enum class StopReason { None, Quit, HandlerFailed, TimedOut };

class HostState {
 public:
  // Records the reason when none is recorded yet; true when this call recorded it.
  bool TryStop(StopReason reason) {
    StopReason expected = StopReason::None;
    return reason_.compare_exchange_strong(expected, reason);
  }
  StopReason Reason() const { return reason_.load(); }
  bool Stopping() const { return Reason() != StopReason::None; }

  // Main thread only: the code given to Quit, and the report of a handler's uncaught error.
  int exitCode = 0;
  std::string handlerFailure;

 private:
  std::atomic<StopReason> reason_{StopReason::None};
};

}  // namespace scripthost
