#pragma once
// A port with modem lines, error counts and settings that a test controls, for what a
// pseudo-terminal cannot show (it has no modem lines and ignores framing). The comm component
// uses it from the test's own thread, so it needs no locks.

#include <algorithm>
#include <cerrno>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/last_error.h"
#include "platform/serial_device.h"
#include "platform/wake_event.h"

namespace mscomm_test {

class FakeCommDevice final : public platform::SerialDevice {
 public:
  std::optional<platform::SerialLineSettings> settings;  // the last settings configured
  std::vector<std::string> calls;                        // "dtr on", "break off", "shutdown" ...
  int configureError = 0;  // errno for Configure to fail with (0: works)
  long writeRoom = -1;     // bytes the port still takes at once (-1: any number)
  platform::ModemLines lines;
  platform::SerialErrorCounts counts;

  bool SetQueueSizes(std::size_t, std::size_t) override { return true; }
  bool Configure(const platform::SerialLineSettings& s) override {
    if (configureError != 0) {
      platform::SetLastError(configureError);
      return false;
    }
    settings = s;
    return true;
  }
  long Read(char* buffer, std::size_t capacity) override {
    const std::size_t n = std::min(capacity, input_.size());
    input_.copy(buffer, n);
    input_.erase(0, n);
    if (input_.empty()) dataReady_.Consume();
    return static_cast<long>(n);
  }
  platform::SerialWaitResult Wait(bool, std::optional<std::chrono::milliseconds>) override {
    platform::SerialWaitResult result;
    result.modemChanged = modemChanged_.Consume();
    return result;
  }
  void Interrupt() override {}
  void Shutdown() override { calls.push_back("shutdown"); }
  bool ReadModemLines(platform::ModemLines& out) override {
    out = lines;
    return true;
  }
  bool SetDtr(bool on) override { return Call(on ? "dtr on" : "dtr off"); }
  bool SetRts(bool on) override { return Call(on ? "rts on" : "rts off"); }
  bool SetBreak(bool on) override { return Call(on ? "break on" : "break off"); }
  std::uint64_t QueueWrite(std::string_view) override { return 0; }
  bool WaitWritten(std::uint64_t, std::chrono::milliseconds) override { return false; }
  int Descriptor() const override { return dataReady_.Descriptor(); }
  int ModemChangeDescriptor() const override { return modemChanged_.Descriptor(); }
  long WriteAvailable(const char*, std::size_t length) override {
    if (writeRoom < 0) return static_cast<long>(length);
    const long taken = std::min(writeRoom, static_cast<long>(length));
    writeRoom -= taken;
    return taken;
  }
  bool DiscardInput() override { return Call("discard input"); }
  bool DiscardOutput() override { return Call("discard output"); }
  bool ReadErrorCounts(platform::SerialErrorCounts& out) override {
    out = counts;
    return true;
  }

  // The test's side of the line.
  void Feed(const std::string& bytes) {
    input_ += bytes;
    dataReady_.Signal();
  }
  void ChangeLines(platform::ModemLines now) {
    lines = now;
    modemChanged_.Signal();
  }

 private:
  bool Call(const std::string& what) {
    calls.push_back(what);
    return true;
  }
  std::string input_;
  platform::WakeEvent dataReady_;
  platform::WakeEvent modemChanged_;
};

// Hands out one fake port per open and keeps it for the test.
class FakeCommOpener final : public platform::SerialDeviceOpener {
 public:
  std::vector<std::string> names;
  std::shared_ptr<FakeCommDevice> last;
  int openError = 0;
  int configureError = 0;  // given to every port made

  std::shared_ptr<platform::SerialDevice> Open(const std::string& name) override {
    names.push_back(name);
    if (openError != 0) {
      platform::SetLastError(openError);
      return nullptr;
    }
    last = std::make_shared<FakeCommDevice>();
    last->configureError = configureError;
    return last;
  }
};

}  // namespace mscomm_test
