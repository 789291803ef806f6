// The RS-232C tool with its real window (offscreen unless a display is set) taking a flood from a
// pseudo-terminal pair: 8 MiB written into the pair's master as fast as it takes them, measured
// from the first byte written to the moment the data files hold every byte. Beside it, in the
// same run, a plain reader on the same kind of pair: a thread that waits and reads the port
// (configured as the tool configures it) and does nothing else, the rate a tool could reach.
//
// Cases: the plain reader; the tool with the list on and the daily log off; the tool with the
// list, the daily log and "HEX表示" on. Data files are on in both tool cases, and are compared
// with what was written: every byte exactly once, in order. The tool's CPU time is the process's
// less the writer thread's. A last case measures an open, idle port in the tool's own event loop.
//
// Run by hand: build/bench/serial_window_flood_bench [--benchmark_filter=...]
// Environment: TK_FLOOD_MIB (default 8), TK_IDLE_SECONDS (default 30).

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "core/window/main_window.h"
#include "core/window/qt_user_dialogs.h"
#include "platform/clock.h"
#include "platform/cpu_time.h"
#include "platform/pseudo_terminal.h"
#include "platform/serial_device.h"
#include "serial/serial_tool.h"
#include "serial/serial_transport.h"

namespace {

using namespace std::chrono_literals;

int EnvInt(const char* name, int fallback) {
  const char* v = std::getenv(name);
  return v ? std::atoi(v) : fallback;
}

double Seconds(std::chrono::nanoseconds time) {
  return std::chrono::duration<double>(time).count();
}

std::size_t FloodBytes() {
  return static_cast<std::size_t>(EnvInt("TK_FLOOD_MIB", 8)) << 20;
}

// Random bytes: most show as double-byte characters or hex forms, the list's worst case.
std::string Payload(std::size_t size) {
  std::string bytes(size, '\0');
  std::uint32_t x = 2024;
  for (std::size_t i = 0; i < size; ++i) {
    x = x * 1664525u + 1013904223u;
    bytes[i] = static_cast<char>(x >> 24);
  }
  return bytes;
}

class BenchSeams final : public core::WindowSeams {
 public:
  std::optional<std::string> AskOpenFileName(QWidget&, const core::OpenFileRequest&) override {
    return std::nullopt;
  }
  void RunModal(QDialog&) override {}
  void Sleep(std::chrono::milliseconds d) override { std::this_thread::sleep_for(d); }
  void EndProcess(int) override {}
};

// Writes the payload into the master from its own thread, measuring the thread's CPU time.
class Writer {
 public:
  Writer(platform::PseudoTerminalPair& pty, const std::string& payload)
      : thread_([this, &pty, &payload] {
          const auto begin = platform::ThreadCpuTime();
          ok_ = pty.Write(payload);
          cpu_ = (platform::ThreadCpuTime() - begin).count();
        }) {}
  ~Writer() { Join(); }
  void Join() {
    if (thread_.joinable()) thread_.join();
  }
  bool Ok() const { return ok_; }
  std::chrono::nanoseconds Cpu() const { return std::chrono::nanoseconds(cpu_.load()); }

 private:
  std::atomic<bool> ok_{false};
  std::atomic<std::int64_t> cpu_{0};
  std::thread thread_;
};

void PlainReader(benchmark::State& state) {
  const std::string payload = Payload(FloodBytes());
  for (auto _ : state) {
    platform::PseudoTerminalPair pty;
    auto device = platform::SystemSerialPorts().Open(pty.SlavePath());
    platform::SerialLineSettings settings;
    settings.baudRate = 115200;
    if (!device || !device->Configure(settings)) {
      state.SkipWithError("open failed");
      return;
    }
    std::string received;
    received.reserve(payload.size());
    std::atomic<std::int64_t> readerCpu{0};
    const auto start = std::chrono::steady_clock::now();
    std::thread reader([&] {
      const auto begin = platform::ThreadCpuTime();
      std::vector<char> buffer(65536);
      const auto giveUp = std::chrono::steady_clock::now() + 60s;
      while (received.size() < payload.size() && std::chrono::steady_clock::now() < giveUp) {
        device->Wait(true, 100ms);
        const long n = device->Read(buffer.data(), buffer.size());
        if (n < 0) break;
        received.append(buffer.data(), static_cast<std::size_t>(n));
      }
      readerCpu = (platform::ThreadCpuTime() - begin).count();
    });
    Writer writer(pty, payload);
    reader.join();
    const auto elapsed = std::chrono::steady_clock::now() - start;
    writer.Join();
    state.SetIterationTime(Seconds(elapsed));
    state.counters["MB_per_s"] = static_cast<double>(received.size()) / 1e6 / Seconds(elapsed);
    state.counters["reader_cpu_s"] = static_cast<double>(readerCpu.load()) / 1e9;
    state.counters["exactly_once"] = received == payload ? 1 : 0;
    device->Shutdown();
  }
}
BENCHMARK(PlainReader)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

// The tool's window with its transport on one end of a pair.
struct Tool {
  std::filesystem::path folder;
  serial::SerialTool tool;
  core::QtUserDialogs dialogs;
  BenchSeams seams;
  std::unique_ptr<core::MainWindow> window;
  std::unique_ptr<serial::SerialTransport> transport;

  Tool(const std::string& port, bool logAndHex) {
    folder = std::filesystem::temp_directory_path() /
             ("serial_window_flood_bench_" +
              std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
    std::filesystem::create_directories(folder / "Log1");
    std::filesystem::create_directories(folder / "Dat1");
    window = std::make_unique<core::MainWindow>(
        tool,
        core::WindowSetup{"1", (folder / "Pellamar1.ini").string(), (folder / "Dat1").string(),
                          (folder / "Log1").string()},
        dialogs, seams, platform::SystemClock());
    dialogs.SetOwner(window.get());
    transport = std::make_unique<serial::SerialTransport>(*window, tool);
    window->SetTransport(*transport);
    window->OpenMainWindow();
    window->show();
    auto& f = tool.fields;
    f.port = port;
    f.baudRate = "115200";
    f.data.dataSave = true;
    f.data.listSave = logAndHex;
    f.data.dspHex = logAndHex;
    window->FieldsToControls();
    transport->OnPortConnect();
  }
  ~Tool() {
    transport->OnPortDisconnect();
    transport.reset();
    window.reset();
    std::filesystem::remove_all(folder);
  }

  std::vector<std::filesystem::path> DataFiles() const {
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder / "Dat1"))
      files.push_back(entry.path());
    return files;
  }

  // The data files in the order they were written. A name is the second (14 digits) and the
  // window's file number: modulo 100 in two digits, or whole in three or more when those two
  // digits were taken in that second already. The numbers of one second follow each other from
  // where the second before ended, and the first hundred of them have two-digit names, so each
  // two-digit name stands for exactly one of them.
  std::vector<std::filesystem::path> DataFilesInOrder() const {
    struct Named {
      std::string second;
      std::string sequence;
      std::filesystem::path path;
      std::int64_t number = 0;
    };
    std::vector<Named> named;
    for (const auto& path : DataFiles()) {
      const std::string name = path.filename().string();
      const std::size_t end = name.find('_');
      if (end == std::string::npos || end < 16) continue;
      named.push_back({name.substr(0, 14), name.substr(14, end - 14), path, 0});
    }
    std::sort(named.begin(), named.end(),
              [](const Named& a, const Named& b) { return a.second < b.second; });
    std::int64_t next = 1;  // the window's first file
    for (std::size_t begin = 0; begin < named.size();) {
      std::size_t end = begin;
      std::int64_t last = next - 1;
      while (end < named.size() && named[end].second == named[begin].second) {
        Named& file = named[end++];
        const std::int64_t value = std::stoll(file.sequence);
        file.number = file.sequence.size() > 2 ? value : next + ((value - next) % 100 + 100) % 100;
        last = std::max(last, file.number);
      }
      next = last + 1;
      begin = end;
    }
    std::sort(named.begin(), named.end(),
              [](const Named& a, const Named& b) { return a.number < b.number; });
    std::vector<std::filesystem::path> files;
    for (Named& file : named) files.push_back(std::move(file.path));
    return files;
  }
  std::uintmax_t DataBytes() const {
    std::uintmax_t total = 0;
    for (const auto& file : DataFiles()) total += std::filesystem::file_size(file);
    return total;
  }
  std::string DataContents() const {
    std::string all;
    for (const auto& file : DataFilesInOrder()) {
      std::ifstream in(file, std::ios::binary);
      all.append(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    return all;
  }
};

void ToolFlood(benchmark::State& state, bool logAndHex) {
  const std::string payload = Payload(FloodBytes());
  for (auto _ : state) {
    platform::PseudoTerminalPair pty;
    Tool tool(pty.SlavePath(), logAndHex);
    if (!tool.transport->IsConnected()) {
      state.SkipWithError("open failed");
      return;
    }
    const auto cpuStart = platform::ProcessCpuTime();
    const auto start = std::chrono::steady_clock::now();
    Writer writer(pty, payload);
    // The tool runs in its own event loop, as it does for a user; a timer looks at the data
    // files now and then (a look costs little), so that the measurement itself does not spin.
    bool complete = false;
    QEventLoop loop;
    QTimer look;
    QObject::connect(&look, &QTimer::timeout, [&] {
      if (tool.DataBytes() >= payload.size()) {
        complete = true;
        loop.quit();
      }
    });
    look.start(10);
    QTimer::singleShot(120000, &loop, &QEventLoop::quit);
    loop.exec();
    const auto elapsed = std::chrono::steady_clock::now() - start;
    writer.Join();
    const auto toolCpu = platform::ProcessCpuTime() - cpuStart - writer.Cpu();
    state.SetIterationTime(Seconds(elapsed));
    if (!complete || !writer.Ok()) {
      state.SkipWithError("flood did not complete");
      return;
    }
    const double mib = static_cast<double>(payload.size()) / (8 << 20);
    state.counters["MB_per_s"] = static_cast<double>(payload.size()) / 1e6 / Seconds(elapsed);
    state.counters["tool_cpu_s_per_8MiB"] = Seconds(toolCpu) / mib;
    state.counters["blocks"] = static_cast<double>(tool.DataFiles().size());
    const std::string contents = tool.DataContents();
    state.counters["exactly_once"] = contents == payload ? 1 : 0;
    if (contents != payload) {
      const auto diff =
          std::mismatch(contents.begin(), contents.end(), payload.begin(), payload.end());
      state.counters["first_difference"] = static_cast<double>(diff.first - contents.begin());
    }
  }
}

void ToolFloodList(benchmark::State& state) {
  ToolFlood(state, false);
}
void ToolFloodListLogHex(benchmark::State& state) {
  ToolFlood(state, true);
}
BENCHMARK(ToolFloodList)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(ToolFloodListLogHex)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

// An open port with nothing arriving: what the tool spends in its own event loop.
void ToolIdlePort(benchmark::State& state) {
  const int idleSeconds = EnvInt("TK_IDLE_SECONDS", 30);
  for (auto _ : state) {
    platform::PseudoTerminalPair pty;
    Tool tool(pty.SlavePath(), false);
    if (!tool.transport->IsConnected()) {
      state.SkipWithError("open failed");
      return;
    }
    const auto cpuStart = platform::ProcessCpuTime();
    QEventLoop idle;
    QTimer::singleShot(idleSeconds * 1000, &idle, &QEventLoop::quit);
    idle.exec();
    const double cpu = Seconds(platform::ProcessCpuTime() - cpuStart);
    state.SetIterationTime(idleSeconds);
    state.counters["cpu_ms"] = cpu * 1000;
    state.counters["core_percent"] = cpu / idleSeconds * 100;
  }
}
BENCHMARK(ToolIdlePort)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

int main(int argc, char** argv) {
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM") && !qEnvironmentVariableIsSet("DISPLAY"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
