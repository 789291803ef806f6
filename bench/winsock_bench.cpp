// The Winsock control through the loaded library, as a script drives it in script event mode
// (a poll loop in C++ over the dispatch interface), against plain sockets in the same run:
//   - Echo: 32-byte round trips to a loopback echo peer, through the control and through a plain
//     socket; the control's run reports its rate as a share of the plain socket's.
//   - Flood: 64 MiB from a loopback peer received as DataArrival records.
//
// Run by hand: build/bench/winsock_bench [--benchmark_filter=...]
// Environment: TK_FLOOD_MIB (default 64).

#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "automation/dispatch.h"
#include "automation/loader.h"
#include "platform/readiness.h"
#include "platform/stream_socket.h"

namespace {

namespace pa = automation;
using pa::Variant;
using Socket = platform::StreamSocket;

constexpr std::uint32_t kLoopback = 0x7F000001;
constexpr std::size_t kEchoSize = 32;

double plainEchoRate = 0;

// The library registered in a registry of its own, once per run.
bool Registered() {
  static const bool registered = [] {
    auto home = std::filesystem::temp_directory_path() / "winsock_bench_registry";
    std::filesystem::create_directories(home);
    ::setenv("XDG_DATA_HOME", home.c_str(), 1);
    return pa::RegisterModule(TK_QUORVANE).ok();
  }();
  return registered;
}

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

bool WaitConnected(Socket& client, std::uint16_t port) {
  if (!client.Open()) return false;
  if (client.StartConnect(kLoopback, port)) return true;
  return client.WaitFor(Socket::Await::Connected, 5000) == Socket::WaitOutcome::Ready &&
         client.FinishConnect() == 0;
}

// A loopback peer on a thread of its own that echoes every byte back until the connection ends.
class EchoPeer {
 public:
  EchoPeer() {
    listener_.Open();
    listener_.Bind(0, true);
    listener_.Listen(4);
    port_ = static_cast<std::uint16_t>(listener_.LocalPort());
    thread_ = std::thread([this] { Run(); });
  }
  ~EchoPeer() {
    stop_ = true;
    thread_.join();
  }
  std::uint16_t Port() const { return port_; }

 private:
  void Run() {
    Socket peer;
    while (!stop_ && !listener_.Accept(peer)) listener_.WaitFor(Socket::Await::Acceptable, 50);
    char buffer[65536];
    while (!stop_) {
      if (peer.WaitFor(Socket::Await::Readable, 50) != Socket::WaitOutcome::Ready) continue;
      long n = peer.Receive(buffer, sizeof buffer);
      if (n == 0) break;
      for (long offset = 0; n > 0 && offset < n && !stop_;) {
        long sent = peer.Send(buffer + offset, static_cast<std::size_t>(n - offset));
        if (sent > 0)
          offset += sent;
        else
          peer.WaitFor(Socket::Await::Writable, 50);
      }
    }
  }
  Socket listener_;
  std::uint16_t port_ = 0;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

std::optional<std::vector<Variant>> NextRecord(pa::Dispatch& control) {
  auto record = pa::CallMethod(control, u"GetEventParameters");
  if (!record || !record->IsArray()) return std::nullopt;
  auto& elements = record->AsArray().variants();
  if (elements.size() != 10 || elements[0].IsEmpty()) return std::nullopt;
  return std::move(elements);
}

void BM_EchoPlainSocket(benchmark::State& state) {
  EchoPeer echo;
  Socket client;
  if (!WaitConnected(client, echo.Port())) return state.SkipWithError("no connection");
  const std::string message(kEchoSize, 'e');
  char buffer[kEchoSize];
  const auto start = std::chrono::steady_clock::now();
  for (auto _ : state) {
    client.Send(message.data(), message.size());
    std::size_t got = 0;
    while (got < kEchoSize) {
      client.WaitFor(Socket::Await::Readable, 1000);
      long n = client.Receive(buffer, kEchoSize - got);
      if (n > 0) got += static_cast<std::size_t>(n);
    }
  }
  state.counters["round_trips_per_s"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
  plainEchoRate = static_cast<double>(state.iterations()) / Seconds(start);
}

void BM_EchoThroughControl(benchmark::State& state) {
  platform::PollReadinessLoop loop;
  pa::Loader loader(&loop);
  if (!Registered()) return state.SkipWithError("library not registered");
  EchoPeer echo;
  auto control = loader.CreateObject(u"Quorvane.Winsock");
  if (!control) return state.SkipWithError("no control");
  pa::Dispatch& winsock = **control;
  (void)pa::CallMethod(winsock, u"Start_EventForScript");
  (void)pa::CallMethod(winsock, u"Connect",
                       {Variant::String(u"127.0.0.1"), Variant::I4(echo.Port())});
  bool connected = false;
  while (!connected) {
    loop.RunOnce(std::chrono::milliseconds(10));
    while (auto record = NextRecord(winsock)) connected |= (*record)[0].AsString() == u"Connect";
  }
  const Variant message = Variant::Bytes(std::vector<std::uint8_t>(kEchoSize, 'e'));
  const auto start = std::chrono::steady_clock::now();
  for (auto _ : state) {
    (void)pa::CallMethod(winsock, u"SendData", {message});
    std::size_t got = 0;
    while (got < kEchoSize) {
      loop.RunOnce(std::chrono::milliseconds(100));
      while (auto record = NextRecord(winsock)) {
        if ((*record)[0].AsString() == u"DataArrival") got += (*record)[9].AsArray().Count();
      }
    }
  }
  state.counters["round_trips_per_s"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
  // The share of the plain socket's rate measured just before, in the same run.
  if (plainEchoRate > 0) {
    state.counters["share_of_plain"] =
        static_cast<double>(state.iterations()) / Seconds(start) / plainEchoRate;
  }
}

void BM_Flood64MiBThroughDataArrivalRecords(benchmark::State& state) {
  const char* mib = std::getenv("TK_FLOOD_MIB");
  const std::size_t total = static_cast<std::size_t>(mib ? std::atoi(mib) : 64) << 20;
  platform::PollReadinessLoop loop;
  pa::Loader loader(&loop);
  if (!Registered()) return state.SkipWithError("library not registered");
  for (auto _ : state) {
    state.PauseTiming();
    Socket listener;
    listener.Open();
    listener.Bind(0, true);
    listener.Listen(4);
    auto control = loader.CreateObject(u"Quorvane.Winsock");
    if (!control) return state.SkipWithError("no control");
    pa::Dispatch& winsock = **control;
    (void)pa::CallMethod(winsock, u"Start_EventForScript");
    (void)pa::CallMethod(winsock, u"Connect",
                         {Variant::String(u"127.0.0.1"), Variant::I4(listener.LocalPort())});
    Socket peer;
    while (!listener.Accept(peer)) loop.RunOnce(std::chrono::milliseconds(5));
    const std::string block(1 << 20, 'f');
    state.ResumeTiming();

    std::thread flooder([&] {
      for (std::size_t sent = 0; sent < total;) {
        long n = peer.Send(block.data(), std::min(block.size(), total - sent));
        if (n > 0)
          sent += static_cast<std::size_t>(n);
        else
          peer.WaitFor(Socket::Await::Writable, 100);
      }
    });
    std::size_t received = 0;
    while (received < total) {
      loop.RunOnce(std::chrono::milliseconds(100));
      while (auto record = NextRecord(winsock)) {
        if ((*record)[0].AsString() == u"DataArrival") received += (*record)[9].AsArray().Count();
      }
    }
    flooder.join();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * total));
}

}  // namespace

BENCHMARK(BM_EchoPlainSocket)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_EchoThroughControl)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_Flood64MiBThroughDataArrivalRecords)->UseRealTime()->Unit(benchmark::kMillisecond);
