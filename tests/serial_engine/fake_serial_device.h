#pragma once
// A port with modem lines and settings that a test controls: pseudo-terminals have no modem
// lines and ignore framing, so these cases use this fake at the platform boundary.

#include <cerrno>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/last_error.h"
#include "platform/serial_device.h"

namespace serial_test {

class FakeSerialDevice final : public platform::SerialDevice {
 public:
  // What the engine did to the port.
  struct Record {
    std::optional<platform::SerialLineSettings> settings;
    std::vector<std::string> calls;  // "dtr on", "rts off", "queues 102400 102400"
    bool shutDown = false;
  };

  // Failures a test can ask for (errno values; 0 = works). Settings that no port of this system
  // can take are refused with EINVAL as a real port refuses them; `configureError` refuses the
  // others too.
  int setupError = 0;
  int configureError = 0;
  int writeError = 0;

  bool SetQueueSizes(std::size_t input, std::size_t output) override {
    std::lock_guard lock(mutex_);
    record_.calls.push_back("queues " + std::to_string(input) + " " + std::to_string(output));
    return Result(setupError);
  }
  bool Configure(const platform::SerialLineSettings& settings) override {
    std::lock_guard lock(mutex_);
    record_.settings = settings;
    if (!platform::LineSettingsSupported(settings)) return Result(EINVAL);
    return Result(configureError);
  }
  long Read(char* buffer, std::size_t capacity) override {
    std::lock_guard lock(mutex_);
    if (input_.empty() && hungUp_) {
      platform::SetLastError(EIO);
      return -1;
    }
    const std::size_t n = std::min(capacity, input_.size());
    input_.copy(buffer, n);
    input_.erase(0, n);
    changed_.notify_all();
    return static_cast<long>(n);
  }
  platform::SerialWaitResult Wait(bool watchInput,
                                  std::optional<std::chrono::milliseconds> timeout) override {
    std::unique_lock lock(mutex_);
    auto ready = [&] {
      return (watchInput && (!input_.empty() || hungUp_)) || modemChanged_ || interrupted_ ||
             record_.shutDown;
    };
    ++waiting_;
    changed_.notify_all();
    if (timeout)
      changed_.wait_for(lock, *timeout, ready);
    else
      changed_.wait(lock, ready);
    --waiting_;
    platform::SerialWaitResult result;
    result.input = watchInput && (!input_.empty() || hungUp_);
    result.modemChanged = std::exchange(modemChanged_, false);
    result.interrupted = std::exchange(interrupted_, false);
    result.shutDown = record_.shutDown;
    return result;
  }
  void Interrupt() override {
    std::lock_guard lock(mutex_);
    interrupted_ = true;
    changed_.notify_all();
  }
  void Shutdown() override {
    std::lock_guard lock(mutex_);
    record_.shutDown = true;
    changed_.notify_all();
  }
  bool ReadModemLines(platform::ModemLines& lines) override {
    std::lock_guard lock(mutex_);
    lines = lines_;
    return true;
  }
  bool SetDtr(bool on) override { return Call(on ? "dtr on" : "dtr off"); }
  bool SetRts(bool on) override { return Call(on ? "rts on" : "rts off"); }
  std::uint64_t QueueWrite(std::string_view bytes) override {
    std::lock_guard lock(mutex_);
    if (writeError != 0) {
      platform::SetLastError(writeError);
      return 0;
    }
    written_.emplace_back(bytes);
    return written_.size();
  }
  bool WaitWritten(std::uint64_t, std::chrono::milliseconds) override { return true; }

  // The test's side of the line.
  void Feed(const std::string& bytes) {
    std::lock_guard lock(mutex_);
    input_ += bytes;
    changed_.notify_all();
  }
  void ChangeLines(platform::ModemLines lines) {
    std::lock_guard lock(mutex_);
    lines_ = lines;
    modemChanged_ = true;
    changed_.notify_all();
  }
  void HangUp() {
    std::lock_guard lock(mutex_);
    hungUp_ = true;
    changed_.notify_all();
  }
  // Waits until the engine has read everything fed so far.
  bool WaitDrained(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return input_.empty(); });
  }
  // Waits until the engine has read everything fed so far and waits on the port again: after a
  // first part, it is then inside its pause.
  bool WaitUntilDrainedAndWaiting(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return input_.empty() && waiting_ > 0; });
  }
  Record Recorded() {
    std::lock_guard lock(mutex_);
    return record_;
  }
  std::vector<std::string> Written() {
    std::lock_guard lock(mutex_);
    return written_;
  }

 private:
  static bool Result(int error) {
    if (error == 0) return true;
    platform::SetLastError(error);
    return false;
  }
  bool Call(const std::string& what) {
    std::lock_guard lock(mutex_);
    record_.calls.push_back(what);
    return true;
  }

  std::mutex mutex_;
  std::condition_variable changed_;
  Record record_;
  std::string input_;
  bool hungUp_ = false;
  bool modemChanged_ = false;
  bool interrupted_ = false;
  int waiting_ = 0;  // threads inside Wait
  platform::ModemLines lines_;
  std::vector<std::string> written_;
};

// Hands out fake ports. Open can be made to fail, or to wait until the test lets it go on
// (to close the port while an open is under way).
class FakeOpener final : public platform::SerialDeviceOpener {
 public:
  std::shared_ptr<platform::SerialDevice> Open(const std::string& name) override {
    std::unique_lock lock(mutex_);
    names_.push_back(name);
    ++opensStarted_;
    changed_.notify_all();
    changed_.wait(lock, [&] { return !held_; });
    if (openError_ != 0) {
      platform::SetLastError(openError_);
      return nullptr;
    }
    auto device = std::make_shared<FakeSerialDevice>();
    if (prepare_) prepare_(*device);
    devices_.push_back(device);
    return device;
  }

  void FailWith(int error) {
    std::lock_guard lock(mutex_);
    openError_ = error;
  }
  // Every device made from now on is first passed to `prepare`.
  void Prepare(std::function<void(FakeSerialDevice&)> prepare) {
    std::lock_guard lock(mutex_);
    prepare_ = std::move(prepare);
  }
  void Hold(bool held) {
    std::lock_guard lock(mutex_);
    held_ = held;
    changed_.notify_all();
  }
  // Waits until `count` opens have started.
  bool WaitForOpens(int count, std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return opensStarted_ >= count; });
  }
  std::shared_ptr<FakeSerialDevice> Device(std::size_t index) {
    std::lock_guard lock(mutex_);
    return index < devices_.size() ? devices_[index] : nullptr;
  }
  std::size_t DeviceCount() {
    std::lock_guard lock(mutex_);
    return devices_.size();
  }
  std::vector<std::string> Names() {
    std::lock_guard lock(mutex_);
    return names_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<std::shared_ptr<FakeSerialDevice>> devices_;
  std::vector<std::string> names_;
  std::function<void(FakeSerialDevice&)> prepare_;
  int openError_ = 0;
  int opensStarted_ = 0;
  bool held_ = false;
};

}  // namespace serial_test
