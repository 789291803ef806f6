// The re-entrancy rule both components keep: an event handler may drop the last reference to
// the component's object while the component is inside its own loop callback. The object then
// goes once the callback has unwound; nothing of it is touched after (the sanitizer builds would
// report a use after free).

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "automation/connection_point.h"
#include "automation/dispatch.h"
#include "components/comm/comm_dispatch.h"
#include "components/socket/socket_dispatch.h"
#include "platform/datagram_socket.h"
#include "platform/pseudo_terminal.h"
#include "platform/readiness.h"
#include "support/temp_dir.h"

namespace {

namespace pa = automation;
using namespace std::chrono_literals;
using pa::Variant;

constexpr std::uint32_t kLoopback = 0x7F000001;

// Connects a sink to `object` whose handler of any event releases `object` (the only reference
// the test holds), then pumps until that happened.
bool ReleasedFromItsOwnHandler(platform::PollReadinessLoop& loop, pa::Ref<pa::Dispatch>& object,
                               const pa::Guid& events) {
  bool released = false;
  std::optional<pa::Advisory> advisory;
  auto sink = pa::MakeEventSink([&](pa::DispId, std::span<Variant>) {
    if (!released) {
      released = true;
      advisory.reset();  // the connection goes first, as a host disconnects before it releases
      object.Reset();    // the last reference, from inside the component's own event
    }
    return pa::Status::Ok();
  });
  auto connected = pa::Advisory::Connect(*object, events, sink);
  if (!connected.ok()) return false;
  advisory.emplace(std::move(connected).value());
  const auto end = std::chrono::steady_clock::now() + 5s;
  while (!released && std::chrono::steady_clock::now() < end) loop.RunOnce(10ms);
  for (int i = 0; i < 5; ++i) loop.RunOnce(5ms);  // anything the component left runs, or not
  return released && !object;
}

TEST(Reentrancy, ASocketReleasedInsideItsDataArrivalGoesAfterTheCallback) {
  platform::PollReadinessLoop loop;
  auto created = components::CreateSocketComponent(loop);
  ASSERT_TRUE(created.ok());
  pa::Ref<pa::Dispatch> socket = std::move(created).value();
  ASSERT_TRUE(pa::PutProperty(*socket, u"Protocol", Variant::I4(1)).ok());
  ASSERT_TRUE(
      pa::CallMethod(*socket, u"Bind", {Variant::I4(0), Variant::String(u"127.0.0.1")}).ok());
  auto port = pa::GetProperty(*socket, u"LocalPort");
  ASSERT_TRUE(port.ok());
  platform::DatagramSocket peer;
  ASSERT_TRUE(peer.Open());
  ASSERT_EQ(peer.SendTo("ping", 4, kLoopback, static_cast<std::uint16_t>(port->AsI4())), 4);
  EXPECT_TRUE(ReleasedFromItsOwnHandler(loop, socket, components::winsock::members::kEventsIid));
}

TEST(Reentrancy, ACommComponentReleasedInsideItsOnCommGoesAfterTheCallback) {
  platform::PseudoTerminalPair pty;
  ASSERT_TRUE(pty.IsValid());
  testing_support::TempDir config;
  const std::filesystem::path ports = std::filesystem::path(config.str()) / "commtestkit/ports";
  std::filesystem::create_directories(ports);
  std::filesystem::create_symlink(pty.SlavePath(), ports / "COM7");
  const char* before = std::getenv("XDG_CONFIG_HOME");
  const std::optional<std::string> saved =
      before ? std::optional<std::string>(before) : std::nullopt;
  ::setenv("XDG_CONFIG_HOME", config.str().c_str(), 1);

  platform::PollReadinessLoop loop;
  auto created = components::CreateCommComponent(loop);
  ASSERT_TRUE(created.ok());
  pa::Ref<pa::Dispatch> comm = std::move(created).value();
  ASSERT_TRUE(pa::PutProperty(*comm, u"CommPort", Variant::I2(7)).ok());
  ASSERT_TRUE(pa::PutProperty(*comm, u"RThreshold", Variant::I2(1)).ok());
  ASSERT_TRUE(pa::PutProperty(*comm, u"PortOpen", Variant::Bool(true)).ok());
  ASSERT_TRUE(pty.Write("abc"));
  EXPECT_TRUE(ReleasedFromItsOwnHandler(loop, comm, components::comm::members::kEventsIid));

  if (saved) {
    ::setenv("XDG_CONFIG_HOME", saved->c_str(), 1);
  } else {
    ::unsetenv("XDG_CONFIG_HOME");
  }
}

}  // namespace
