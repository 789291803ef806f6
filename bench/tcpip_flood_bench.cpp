// The TCP/IP tool with its real window (offscreen unless a display is set) receiving a flood from
// a loopback peer: 64 MiB sent at once, measured from the first byte sent to the tool's "切断"
// line. Three runs: (a) with the daily log and data files off, (b) with the daily log and
// "HEX表示" on, where the log's reception records are decoded back to bytes and compared with
// what was sent, (c) as (a) with the window hidden, which is what the endpoints and the flows
// carry without the painting; (c) also reports (a)'s share of it. A fourth measurement is the
// CPU time, and the GUI thread's wake-ups, of a listening tool with 100 idle peers in 30 s.
//
// Run by hand: build/bench/tcpip_flood_bench [--benchmark_filter=...]
// Environment: TK_FLOOD_MIB (default 64), TK_FLOOD_TEXT (1: printable text instead of random
// bytes), TK_IDLE_SECONDS (default 30).

#include <benchmark/benchmark.h>

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QListWidget>
#include <QTimer>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "core/window/idle_cursor_blink.h"
#include "core/window/main_window.h"
#include "core/window/qt_user_dialogs.h"
#include "platform/cp932.h"
#include "platform/files.h"
#include "platform/stream_socket.h"
#include "tcpip/tcp_transport.h"
#include "tcpip/tcpip_tool.h"

namespace {

int EnvInt(const char* name, int fallback) {
  const char* v = std::getenv(name);
  return v ? std::atoi(v) : fallback;
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

// Counts the repaints of the traffic list while the flood runs.
class PaintCounter final : public QObject {
 public:
  int paints = 0;

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++paints;
    return false;
  }
};

// A blocking loopback client used from its own thread.
class Flooder {
 public:
  bool Connect(int port) {
    if (!socket_.Open()) return false;
    if (socket_.StartConnect(0x7F000001, static_cast<std::uint16_t>(port))) return true;
    if (socket_.WaitFor(platform::StreamSocket::Await::Connected, 5000) !=
        platform::StreamSocket::WaitOutcome::Ready)
      return false;
    return socket_.FinishConnect() == 0;
  }
  bool SendAll(const std::string& bytes) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
      long n =
          socket_.Send(bytes.data() + sent, std::min<std::size_t>(1 << 20, bytes.size() - sent));
      if (n > 0) {
        sent += static_cast<std::size_t>(n);
        continue;
      }
      if (socket_.WaitFor(platform::StreamSocket::Await::Writable, 10000) ==
          platform::StreamSocket::WaitOutcome::TimedOut)
        return false;
    }
    return true;
  }
  void Close() { socket_.Close(); }

 private:
  platform::StreamSocket socket_;
};

// The value of a lower-case hexadecimal digit, as the log writes them.
int HexDigit(char c) {
  return c <= '9' ? c - '0' : c - 'a' + 10;
}

struct Tool {
  std::filesystem::path folder;
  core::QtUserDialogs dialogs;
  BenchSeams seams;
  tcpip::TcpIpTool tool;
  std::unique_ptr<core::MainWindow> window;
  std::unique_ptr<tcpip::TcpTransport> tcp;

  explicit Tool(bool logAndHex, bool shown = true) {
    folder = std::filesystem::temp_directory_path() /
             ("tcpip_flood_bench_" +
              std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()) +
              (logAndHex ? "_b" : "_a"));
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder / "Log1");
    std::filesystem::create_directories(folder / "Dat1");
    window = std::make_unique<core::MainWindow>(
        tool,
        core::WindowSetup{"1", (folder / "Brisolt1.ini").string(), (folder / "Dat1").string(),
                          (folder / "Log1").string()},
        dialogs, seams, platform::SystemClock());
    dialogs.SetOwner(window.get());
    tcp = std::make_unique<tcpip::TcpTransport>(*window, tool.fields);
    window->SetTransport(*tcp);
    window->OpenMainWindow();
    if (shown) window->show();
    auto& f = tool.fields;
    f.server = true;
    f.port = "0";
    f.addressBox.clear();
    f.data.dataSave = false;
    f.data.listSave = logAndHex;
    f.data.dspHex = logAndHex;
    window->FieldsToControls();
    tcp->OnConnectButton();
  }
  ~Tool() {
    tcp->OnDisconnectButton();
    tcp.reset();
    window.reset();
    std::filesystem::remove_all(folder);
  }
  int Port() const { return tcp->Listener()->LocalPort(); }

  // Runs the event loop until the peer's close has been handled.
  bool RunUntilPeerGone(int limitMs) {
    QElapsedTimer timer;
    timer.start();
    const std::string closed = platform::Cp932("切断 ");
    while (timer.elapsed() < limitMs) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
      const auto& h = window->Traffic().history();
      if (h.size() > 0 && h[h.size() - 1].compare(0, closed.size(), closed) == 0) return true;
    }
    return false;
  }

  // The bytes of every "->受" record of the daily log, decoded from the "<xx>" form.
  std::string LoggedReceptions(int* records = nullptr) const {
    std::string bytes;
    const std::string marker = platform::Cp932("->受 ");
    for (const auto& entry : std::filesystem::directory_iterator(folder / "Log1")) {
      std::ifstream in(entry.path(), std::ios::binary);
      std::string line;
      while (std::getline(in, line)) {
        const auto at = line.find(marker);
        if (at == std::string::npos) continue;
        const auto data = line.find(')', at);
        if (records) ++*records;
        for (std::size_t i = data + 1; i + 3 < line.size() + 1 && line[i] == '<'; i += 4)
          bytes.push_back(static_cast<char>(HexDigit(line[i + 1]) << 4 | HexDigit(line[i + 2])));
      }
    }
    return bytes;
  }
};

// Random bytes (the worst case for the list: most show as double-byte characters to be shaped),
// or with TK_FLOOD_TEXT=1 printable ASCII lines.
std::string Payload(std::size_t size) {
  const bool text = EnvInt("TK_FLOOD_TEXT", 0) != 0;
  std::string bytes(size, '\0');
  std::uint32_t x = 12345;
  for (std::size_t i = 0; i < size; ++i) {
    x = x * 1664525u + 1013904223u;
    bytes[i] = text ? (i % 80 == 79 ? '\n' : static_cast<char>(' ' + (x >> 24) % 95))
                    : static_cast<char>(x >> 24);
  }
  return bytes;
}

// The plain flood's figure through the shown window, for the hidden run to compare against.
double shownPlainMBps = 0;

void Flood(benchmark::State& state, bool logAndHex, bool shown = true) {
  const std::size_t size = static_cast<std::size_t>(EnvInt("TK_FLOOD_MIB", 64)) << 20;
  const std::string payload = Payload(size);
  for (auto _ : state) {
    Tool tool(logAndHex, shown);
    PaintCounter paints;
    tool.window->TrafficListWidget().viewport()->installEventFilter(&paints);
    Flooder flooder;
    if (!flooder.Connect(tool.Port())) {
      state.SkipWithError("connect failed");
      return;
    }
    // Let the tool accept before the clock starts.
    QElapsedTimer settle;
    settle.start();
    while (!tool.tcp->IsConnected() && settle.elapsed() < 5000)
      QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    const auto start = std::chrono::steady_clock::now();
    bool sent = false;
    std::thread sender([&] {
      sent = flooder.SendAll(payload);
      flooder.Close();
    });
    const bool done = tool.RunUntilPeerGone(600000);
    const auto end = std::chrono::steady_clock::now();
    sender.join();
    const double seconds = std::chrono::duration<double>(end - start).count();
    state.SetIterationTime(seconds);
    if (!sent || !done) {
      state.SkipWithError("flood did not complete");
      return;
    }
    const double mbps = static_cast<double>(size) / 1e6 / seconds;
    state.counters["MB_per_s"] = mbps;
    if (shown && !logAndHex) shownPlainMBps = mbps;
    // How much of what the flows alone carry the shown window keeps (0 when the shown run
    // was not made).
    if (!shown && !logAndHex) state.counters["shown_over_hidden"] = shownPlainMBps / mbps;
    state.counters["list_paints"] = paints.paints;
    if (logAndHex) {
      int records = 0;
      const bool complete = tool.LoggedReceptions(&records) == payload;
      state.counters["blocks"] = records;
      state.counters["log_complete"] = complete ? 1 : 0;
      if (!complete) state.SkipWithError("the log's receptions differ from what was sent");
    }
    tool.window->TrafficListWidget().viewport()->removeEventFilter(&paints);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(size) * state.iterations());
}

void BM_FloodPlain(benchmark::State& state) {
  Flood(state, false);
}
void BM_FloodLogAndHex(benchmark::State& state) {
  Flood(state, true);
}
// The same with the window hidden: what the endpoints and the flows cost without the painting.
void BM_FloodPlainHidden(benchmark::State& state) {
  Flood(state, false, false);
}
BENCHMARK(BM_FloodPlain)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FloodLogAndHex)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FloodPlainHidden)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

// The process's CPU time, user and system, of every thread.
double CpuSeconds() {
  return static_cast<double>(std::clock()) / CLOCKS_PER_SEC;
}

// A listening tool with 100 connected, silent peers: the CPU time its event loop spends.
void BM_IdleHundredPeers(benchmark::State& state) {
  const int idleSeconds = EnvInt("TK_IDLE_SECONDS", 30);
  for (auto _ : state) {
    Tool tool(false);
    std::vector<std::unique_ptr<Flooder>> peers;
    // One at a time, so that the listening backlog never overflows.
    for (int i = 0; i < 100; ++i) {
      peers.push_back(std::make_unique<Flooder>());
      peers.back()->Connect(tool.Port());
      QElapsedTimer settle;
      settle.start();
      while (tool.tcp->Peers().Occupied() < i + 1 && settle.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    // The tool idles in its own event loop, as it does when nobody talks to it.
    // The GUI thread's wake-ups are counted: an idle tool should have none once its text
    // cursor has stopped blinking.
    int wakeups = 0;
    QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
    const auto counting =
        QObject::connect(dispatcher, &QAbstractEventDispatcher::awake, [&] { ++wakeups; });
    const double cpuBefore = CpuSeconds();
    QEventLoop idle;
    QTimer::singleShot(idleSeconds * 1000, &idle, &QEventLoop::quit);
    idle.exec();
    const double cpu = CpuSeconds() - cpuBefore;
    QObject::disconnect(counting);
    state.SetIterationTime(idleSeconds);
    state.counters["peers"] = tool.tcp->Peers().Occupied();
    state.counters["cpu_ms"] = cpu * 1000;
    state.counters["cpu_percent"] = cpu * 100 / idleSeconds;
    state.counters["wakeups"] = wakeups;
  }
}
BENCHMARK(BM_IdleHundredPeers)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

int main(int argc, char** argv) {
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM") && !qEnvironmentVariableIsSet("DISPLAY"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  // As the tools do: the text cursor stops blinking after a spell without input.
  core::IdleCursorBlink idleCursor;
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
