#pragma once
// A host of the real Winsock control: the library registered alone in a temporary registry (so
// the control holds the real socket component), created by ProgID through the loader, with a
// poll loop as the apartment's readiness loop and plain loopback peers of our platform layer's own.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "automation/connection_point.h"
#include "automation/loader.h"
#include "automation/text.h"
#include "controls/identity.h"
#include "platform/readiness.h"
#include "platform/stream_socket.h"
#include "support/temp_dir.h"

namespace winsock_test {

namespace pa = automation;
using pa::DispId;
using pa::Ref;
using pa::Variant;

inline constexpr char kQuorvane[] = TK_QUORVANE;
inline constexpr std::uint32_t kLoopback = 0x7F000001;

// The control's events (its event interface's DISPIDs).
inline constexpr DispId kClose2 = 1;
inline constexpr DispId kConnect = 2;
inline constexpr DispId kConnectionRequest = 3;
inline constexpr DispId kDataArrival = 4;
inline constexpr DispId kError = 5;
inline constexpr DispId kSendComplete = 6;
inline constexpr DispId kSendProgress = 7;

struct HostEvent {
  DispId id;
  std::vector<Variant> args;
};

class WinsockHost : public testing::Test {
 protected:
  void SetUp() override {
    home_ = std::make_unique<testing_support::TempDir>();
    ::setenv("XDG_DATA_HOME", home_->str().c_str(), 1);
    ASSERT_TRUE(pa::RegisterModule(kQuorvane).ok());
  }
  void TearDown() override {
    advisories_.clear();
    ::unsetenv("XDG_DATA_HOME");
  }

  Ref<pa::Dispatch> Create() {
    auto control = loader_.CreateObject(u"Quorvane.Winsock");
    EXPECT_TRUE(control.ok());
    return control ? std::move(control).value() : nullptr;
  }

  // Records the control's events; `onEvent` may call the control or write by-reference
  // arguments.
  void Listen(pa::Dispatch& control, std::vector<HostEvent>& into,
              std::function<void(DispId, std::span<Variant>)> onEvent = nullptr) {
    auto sink = pa::MakeEventSink([&into, onEvent](DispId id, std::span<Variant> args) {
      HostEvent event{id, {}};
      for (const Variant& arg : args) event.args.push_back(arg.Value());
      into.push_back(std::move(event));
      if (onEvent) onEvent(id, args);
      return pa::Status::Ok();
    });
    auto advisory = pa::Advisory::Connect(control, controls::kWinsockEventsIid, sink);
    ASSERT_TRUE(advisory.ok());
    advisories_.push_back(std::move(advisory).value());
  }

  static pa::Result<Variant> Call(pa::Dispatch& object, std::u16string_view name,
                                  std::vector<Variant> args = {}) {
    return pa::CallMethod(object, name, std::span<Variant>(args));
  }
  static Variant Get(pa::Dispatch& object, std::u16string_view name) {
    auto value = pa::GetProperty(object, name);
    EXPECT_TRUE(value.ok()) << pa::Utf8FromUtf16(name);
    return value ? *value : Variant();
  }
  static void Put(pa::Dispatch& object, std::u16string_view name, Variant value) {
    EXPECT_TRUE(pa::PutProperty(object, name, std::move(value)).ok()) << pa::Utf8FromUtf16(name);
  }
  static std::int32_t State(pa::Dispatch& control) {
    auto state = pa::GetProperty(control, u"State");
    return state ? state->AsI2() : -1;
  }

  // The next event record, or nothing when the queue is empty.
  static std::optional<std::vector<Variant>> NextRecord(pa::Dispatch& control) {
    auto record = Call(control, u"GetEventParameters");
    EXPECT_TRUE(record.ok());
    if (!record || !record->IsArray()) return std::nullopt;
    std::vector<Variant> elements = record->AsArray().variants();
    if (elements.size() != 10 || elements[0].IsEmpty()) return std::nullopt;
    return elements;
  }
  static std::u16string Name(const std::vector<Variant>& record) { return record[0].AsString(); }

  bool RunUntil(const std::function<bool()>& done,
                std::chrono::milliseconds limit = std::chrono::seconds(5)) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
      if (std::chrono::steady_clock::now() > end) return false;
      loop_.RunOnce(std::chrono::milliseconds(2));
    }
    return true;
  }
  void RunFor(std::chrono::milliseconds span) {
    const auto end = std::chrono::steady_clock::now() + span;
    while (std::chrono::steady_clock::now() < end) loop_.RunOnce(std::chrono::milliseconds(2));
  }

  static std::string Bytes(const Variant& value) {
    const Variant& v = value.Deref();
    EXPECT_TRUE(v.IsArray());
    if (!v.IsArray()) return {};
    const auto& bytes = v.AsArray().bytes();
    return std::string(bytes.begin(), bytes.end());
  }

  std::unique_ptr<testing_support::TempDir> home_;
  platform::PollReadinessLoop loop_;
  pa::Loader loader_{&loop_};
  std::vector<pa::Advisory> advisories_;
};

// A plain listening socket on a free loopback port.
struct PlainServer {
  platform::StreamSocket listener;
  platform::StreamSocket peer;
  PlainServer() {
    EXPECT_TRUE(listener.Open());
    EXPECT_TRUE(listener.Bind(0, true));
    EXPECT_TRUE(listener.Listen(16));
  }
  int Port() const { return listener.LocalPort(); }
};

}  // namespace winsock_test
