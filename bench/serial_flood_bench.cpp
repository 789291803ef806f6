// The port engine under a flood: 8 MiB written into a pseudo-terminal pair as fast as the pair
// takes them, received by the engine and handed to a window side that answers at once. Reports
// bytes per second delivered, the engine's processor time per 8 MiB (the process's time less the
// writer's and the window side's), the block sizes, and whether every byte came exactly once.
// A second case measures an open port with nothing arriving for 30 s.

#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "platform/cpu_time.h"
#include "platform/pseudo_terminal.h"
#include "platform/window_messages.h"
#include "serial/engine/serial_port.h"

namespace {

using namespace std::chrono_literals;

constexpr std::size_t kFloodBytes = 8 * 1024 * 1024;

std::string Pattern(std::size_t size) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 13 + i / 509) & 0xFF);
  return bytes;
}

double Seconds(std::chrono::nanoseconds time) {
  return std::chrono::duration<double>(time).count();
}

void SerialFlood(benchmark::State& state) {
  const std::string data = Pattern(kFloodBytes);
  for (auto _ : state) {
    platform::PseudoTerminalPair pty;
    if (!pty.IsValid()) {
      state.SkipWithError("no pseudo-terminal");
      return;
    }
    platform::InProcessMessageQueue queue;
    serial::SerialPort port(queue);
    port.portName = pty.SlavePath();
    port.baudRate = 115200;
    port.byteSize = 8;
    if (!port.OpenPort()) {
      state.SkipWithError("open failed");
      return;
    }

    std::string received;
    received.reserve(kFloodBytes);
    std::size_t blocks = 0;
    std::size_t largest = 0;
    queue.SetHandler([&](const platform::WindowMessage& message) {
      // The message names its port by id; this window has one port.
      if (message.first != port.Id()) return;
      if (auto notification = port.TakeNotification()) {
        received += notification->rxBlock;
        ++blocks;
        largest = std::max(largest, notification->rxLength());
        port.Acknowledge();
      }
    });

    std::atomic<std::int64_t> writerCpu{0};
    const auto processStart = platform::ProcessCpuTime();
    const auto windowStart = platform::ThreadCpuTime();
    const auto start = std::chrono::steady_clock::now();
    std::thread writer([&] {
      const auto begin = platform::ThreadCpuTime();
      pty.Write(data);
      writerCpu = (platform::ThreadCpuTime() - begin).count();
    });
    const auto giveUp = start + 60s;
    while (received.size() < data.size() && std::chrono::steady_clock::now() < giveUp)
      queue.WaitAndPump(100ms);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    const auto windowCpu = platform::ThreadCpuTime() - windowStart;
    writer.join();
    const auto processCpu = platform::ProcessCpuTime() - processStart;
    port.ClosePort();
    queue.WaitAndPump(100ms);

    const auto engineCpu = processCpu - windowCpu - std::chrono::nanoseconds(writerCpu.load());
    state.SetIterationTime(Seconds(elapsed));
    state.counters["MB_per_s"] = static_cast<double>(received.size()) / 1e6 / Seconds(elapsed);
    state.counters["engine_cpu_s_per_8MiB"] = Seconds(engineCpu);
    state.counters["engine_cpu_ms_per_MB"] =
        Seconds(engineCpu) * 1000.0 / (static_cast<double>(kFloodBytes) / 1e6);
    state.counters["window_cpu_s"] = Seconds(windowCpu);
    state.counters["writer_cpu_s"] = static_cast<double>(writerCpu.load()) / 1e9;
    state.counters["blocks"] = static_cast<double>(blocks);
    state.counters["largest_block"] = static_cast<double>(largest);
    state.counters["exactly_once"] = received == data ? 1 : 0;
    state.SetBytesProcessed(static_cast<std::int64_t>(received.size()));
  }
}
BENCHMARK(SerialFlood)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

void SerialIdlePort(benchmark::State& state) {
  for (auto _ : state) {
    platform::PseudoTerminalPair pty;
    platform::InProcessMessageQueue queue;
    serial::SerialPort port(queue);
    port.portName = pty.SlavePath();
    port.baudRate = 9600;
    port.byteSize = 8;
    if (!port.OpenPort()) {
      state.SkipWithError("open failed");
      return;
    }
    const auto processStart = platform::ProcessCpuTime();
    const auto mainStart = platform::ThreadCpuTime();
    std::this_thread::sleep_for(30s);
    const auto engineCpu =
        (platform::ProcessCpuTime() - processStart) - (platform::ThreadCpuTime() - mainStart);
    state.counters["engine_cpu_ms_per_30s"] = Seconds(engineCpu) * 1000.0;
    state.counters["messages"] = static_cast<double>(queue.Waiting());
  }
}
BENCHMARK(SerialIdlePort)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
