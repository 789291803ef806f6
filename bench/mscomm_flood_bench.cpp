// The MSComm control under a flood: 8 MiB written into a pseudo-terminal pair as fast as the
// pair takes them, received by the control in script event mode and polled from C++ with
// GetEventParameters, record by record, as a script's loop polls them. In the same run a plain
// reader (poll and read on the same kind of pair) takes the same flood, so that the control's
// rate is reported beside what the pair itself gives. Every byte must come exactly once.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "automation/dispatch.h"
#include "automation/loader.h"
#include "platform/cpu_time.h"
#include "platform/pseudo_terminal.h"
#include "platform/readiness.h"
#include "platform/serial_device.h"
#include "support/temp_dir.h"

namespace {

using namespace std::chrono_literals;
namespace pa = automation;

constexpr std::size_t kFloodBytes = 8 * 1024 * 1024;

std::string Pattern(std::size_t size) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 13 + i / 509) & 0xFF);
  return bytes;
}

double Seconds(std::chrono::nanoseconds time) {
  return std::chrono::duration<double>(time).count();
}

struct FloodResult {
  double seconds = 0;
  double readerCpu = 0;  // the reading thread's processor time
  bool exactlyOnce = false;
  std::size_t records = 0;
};

// A plain reader: the slave opened as a port, waited on and read until the flood is in.
FloodResult PlainReader(const std::string& data) {
  FloodResult result;
  platform::PseudoTerminalPair pty;
  auto port = platform::SystemSerialPorts().Open(pty.SlavePath());
  if (!port || !port->Configure(platform::SerialLineSettings{})) return result;
  std::string received;
  received.reserve(data.size());
  std::string buffer(16 * 1024, '\0');
  const auto cpuStart = platform::ThreadCpuTime();
  const auto start = std::chrono::steady_clock::now();
  std::thread writer([&] { pty.Write(data); });
  const auto giveUp = start + 60s;
  while (received.size() < data.size() && std::chrono::steady_clock::now() < giveUp) {
    (void)port->Wait(true, 100ms);
    for (;;) {
      const long n = port->Read(buffer.data(), buffer.size());
      if (n <= 0) break;
      received.append(buffer.data(), static_cast<std::size_t>(n));
      ++result.records;
    }
  }
  result.seconds = Seconds(std::chrono::steady_clock::now() - start);
  result.readerCpu = Seconds(platform::ThreadCpuTime() - cpuStart);
  writer.join();
  result.exactlyOnce = received == data;
  return result;
}

// The control in script mode, its records taken as they come.
FloodResult ControlInScriptMode(const std::string& data, int inBufferSize) {
  FloodResult result;
  platform::PseudoTerminalPair pty;
  testing_support::TempDir config;
  const std::filesystem::path ports = config.path() / "commtestkit" / "ports";
  std::filesystem::create_directories(ports);
  std::filesystem::create_symlink(pty.SlavePath(), ports / "COM1");
  ::setenv("XDG_CONFIG_HOME", config.str().c_str(), 1);

  platform::PollReadinessLoop loop;
  pa::Loader loader(&loop);
  auto created = loader.CreateObject(u"Quorvane.MSComm");
  if (!created) return result;
  pa::Dispatch& control = **created;
  if (!pa::PutProperty(control, u"CommPort", pa::Variant::I2(1)) ||
      !pa::PutProperty(control, u"InBufferSize",
                       pa::Variant::I2(static_cast<std::int16_t>(inBufferSize))) ||
      !pa::PutProperty(control, u"RThreshold", pa::Variant::I2(1)) ||
      !pa::CallMethod(control, u"Start_EventForScript") ||
      !pa::PutProperty(control, u"PortOpen", pa::Variant::Bool(true)))
    return result;

  std::string received;
  received.reserve(data.size());
  const auto cpuStart = platform::ThreadCpuTime();
  const auto start = std::chrono::steady_clock::now();
  std::thread writer([&] { pty.Write(data); });
  const auto giveUp = start + 60s;
  while (received.size() < data.size() && std::chrono::steady_clock::now() < giveUp) {
    loop.RunOnce(100ms);
    for (;;) {
      auto record = pa::CallMethod(control, u"GetEventParameters");
      if (!record || !record->IsArray()) break;
      const auto& elements = record->AsArray().variants();
      if (elements[0].IsEmpty()) break;
      ++result.records;
      if (elements[9].IsArray()) {
        const auto& bytes = elements[9].AsArray().bytes();
        received.append(reinterpret_cast<const char*>(bytes.data()), bytes.size());
      }
    }
  }
  result.seconds = Seconds(std::chrono::steady_clock::now() - start);
  result.readerCpu = Seconds(platform::ThreadCpuTime() - cpuStart);
  writer.join();
  (void)pa::PutProperty(control, u"PortOpen", pa::Variant::Bool(false));
  result.exactlyOnce = received == data;
  return result;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values.empty() ? 0 : values[values.size() / 2];
}

// One run holds both readers, taking turns for several rounds (plain first in one round, the
// control first in the next), so that both meet the same machine. The machine is shared: the
// figures are the medians and the best of the rounds.
void MSCommFlood(benchmark::State& state) {
  const std::string data = Pattern(kFloodBytes);
  testing_support::TempDir classes;
  ::setenv("XDG_DATA_HOME", classes.str().c_str(), 1);
  if (!pa::RegisterModule(QUORVANE_PATH)) {
    state.SkipWithError("the control library does not register");
    return;
  }
  const int inBufferSize = static_cast<int>(state.range(0));
  constexpr int kRounds = 10;
  for (auto _ : state) {
    std::vector<double> plainTimes, controlTimes, ratios, plainCpu, controlCpu;
    bool exactlyOnce = true;
    std::size_t records = 0;
    for (int round = 0; round < kRounds; ++round) {
      FloodResult plain, control;
      if (round % 2 == 0) {
        plain = PlainReader(data);
        control = ControlInScriptMode(data, inBufferSize);
      } else {
        control = ControlInScriptMode(data, inBufferSize);
        plain = PlainReader(data);
      }
      exactlyOnce = exactlyOnce && plain.exactlyOnce && control.exactlyOnce;
      plainTimes.push_back(plain.seconds);
      controlTimes.push_back(control.seconds);
      ratios.push_back(control.seconds > 0 ? plain.seconds / control.seconds : 0);
      plainCpu.push_back(plain.readerCpu);
      controlCpu.push_back(control.readerCpu);
      records = control.records;
    }
    const double mb = static_cast<double>(kFloodBytes) / 1e6;
    const double plainBest = *std::min_element(plainTimes.begin(), plainTimes.end());
    const double controlBest = *std::min_element(controlTimes.begin(), controlTimes.end());
    state.SetIterationTime(Median(controlTimes));
    state.counters["plain_MB_per_s"] = mb / Median(plainTimes);
    state.counters["control_MB_per_s"] = mb / Median(controlTimes);
    state.counters["ratio_median_of_rounds"] = Median(ratios);
    state.counters["plain_best_MB_per_s"] = mb / plainBest;
    state.counters["control_best_MB_per_s"] = mb / controlBest;
    state.counters["ratio_of_bests"] = plainBest / controlBest;
    state.counters["plain_reader_cpu_ms"] = Median(plainCpu) * 1000;
    state.counters["control_reader_cpu_ms"] = Median(controlCpu) * 1000;
    state.counters["records"] = static_cast<double>(records);
    state.counters["exactly_once"] = exactlyOnce ? 1 : 0;
  }
}
BENCHMARK(MSCommFlood)
    ->Arg(1024)
    ->Arg(4096)
    ->Arg(32767)
    ->ArgName("InBufferSize")
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
