// A port that goes away and comes back, many times over: a socat null-modem pair is stopped and
// started again on the same link names (an adapter unplugged and plugged back), and "TEXT送信"
// is pressed right after every return. Every press must leave a trace: its "送->" line with its
// bytes at the far end, or an "*ER*" line. Run quiet and with busy threads beside the tool.

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/process.h"
#include "serial_fixture.h"

namespace serial_window_test {
namespace {

using namespace std::chrono_literals;
using platform::Cp932;
namespace common = core::ids;

// A socat null-modem pair on two fixed link names, stopped and started at will.
class SocatPair {
 public:
  SocatPair(std::string toolEnd, std::string farEnd)
      : toolEnd_(std::move(toolEnd)), farEnd_(std::move(farEnd)) {}
  ~SocatPair() { Stop(SIGTERM); }

  // Starts socat and waits until both links lead to their terminals.
  bool Start() {
    socat_ = platform::ChildProcess::Start(
        {"/usr/bin/socat",
         {"pty,raw,echo=0,link=" + toolEnd_, "pty,raw,echo=0,link=" + farEnd_},
         "",
         {}});
    if (!socat_.IsRunning()) return false;
    const auto giveUp = std::chrono::steady_clock::now() + 10s;
    while (!(std::filesystem::exists(toolEnd_) && std::filesystem::exists(farEnd_))) {
      if (std::chrono::steady_clock::now() > giveUp) return false;
      std::this_thread::sleep_for(1ms);
    }
    return true;
  }

  // SIGTERM lets socat end its ptys and remove its links; SIGKILL ends it at once and leaves the
  // links dangling. Those are removed here, as the system removes a vanished device's names: a
  // dangling link may lead to the new pair's terminals, taken in another order, before socat
  // has pointed it anew.
  void Stop(int signalNumber) {
    if (!socat_.IsRunning()) return;
    socat_.Signal(signalNumber);
    if (signalNumber != SIGKILL) {
      // socat may put off a signal that comes while it is still starting, and then sleep on;
      // its links go when it ends.
      const auto giveUp = std::chrono::steady_clock::now() + 2s;
      while (std::filesystem::is_symlink(toolEnd_) && std::chrono::steady_clock::now() < giveUp)
        std::this_thread::sleep_for(1ms);
      if (std::filesystem::is_symlink(toolEnd_)) socat_.Signal(SIGKILL);
    }
    socat_.Wait();
    socat_ = platform::ChildProcess();
    std::error_code ignored;
    std::filesystem::remove(toolEnd_, ignored);
    std::filesystem::remove(farEnd_, ignored);
  }

 private:
  const std::string toolEnd_;
  const std::string farEnd_;
  platform::ChildProcess socat_;
};

// Threads that keep the cores busy until they are destroyed.
class BusyThreads {
 public:
  explicit BusyThreads(int count) {
    for (int i = 0; i < count; ++i) {
      threads_.emplace_back([this] {
        std::uint64_t x = 1;
        while (!stop_.load(std::memory_order_relaxed)) {
          for (int k = 0; k < 10000; ++k) x = x * 6364136223846793005u + 1442695040888963407u;
        }
        sink_.store(x, std::memory_order_relaxed);
      });
    }
  }
  ~BusyThreads() {
    stop_ = true;
    for (std::thread& thread : threads_) thread.join();
  }

 private:
  std::atomic<bool> stop_{false};
  std::atomic<std::uint64_t> sink_{0};
  std::vector<std::thread> threads_;
};

// When the press comes after the pair was started again.
enum class Press {
  BeforeTheToolSawTheLoss,  // the loss is not yet shown: the tool may still hold the old port
  WhileTheToolReopens,      // the loss was shown; the far end is back, the tool may not be yet
  OnceTheToolIsOpen,        // the tool holds the new port: the press must go out
};

class PortReturns : public SerialFixture, public ::testing::WithParamInterface<int> {
 protected:
  // Reads at the far end until `count` bytes came or the time passed.
  static std::string ReadFarEnd(platform::SerialDevice& device, std::size_t count) {
    std::string got;
    char buffer[256];
    const auto giveUp = std::chrono::steady_clock::now() + 5s;
    while (got.size() < count && std::chrono::steady_clock::now() < giveUp) {
      device.Wait(true, 50ms);
      const long n = device.Read(buffer, sizeof buffer);
      if (n < 0) break;
      got.append(buffer, static_cast<std::size_t>(n));
    }
    return got;
  }

  bool SawLine(const std::string& start) {
    for (const std::string& line : Lines())
      if (line.starts_with(start)) return true;
    return false;
  }
};

TEST_P(PortReturns, EveryPressRightAfterAReturnLeavesItsLineAndBytesOrAnError) {
  const BusyThreads load(GetParam());
  const std::string toolEnd = dir_ / "tool";
  const std::string farEnd = dir_ / "far";
  SocatPair pair(toolEnd, farEnd);
  ASSERT_TRUE(pair.Start());
  // A write to a line that hung up fails at once; only a write held up (none here) would wait
  // this long. A long wait keeps a busy machine from passing a write as sent before it failed.
  serial::SerialTimings timings = QuickTimings();
  timings.writeWait = std::chrono::milliseconds(3000);
  Open(toolEnd, platform::SystemSerialPorts(), timings);
  Click(common::kConnect);
  ASSERT_TRUE(T().IsConnected()) << LastLine();

  constexpr int kReturns = 50;
  int sent = 0;
  int refused = 0;
  for (int round = 0; round < kReturns; ++round) {
    const Press press = static_cast<Press>(round % 3);
    SCOPED_TRACE("return " + std::to_string(round) + ", press " +
                 std::to_string(static_cast<int>(press)));
    W().ClearTraffic();
    pair.Stop(round % 2 == 0 ? SIGTERM : SIGKILL);
    if (press != Press::BeforeTheToolSawTheLoss) {
      ASSERT_TRUE(RunUntil([&] { return SawLine("*ER* RS232C Read Error("); })) << LastLine();
    }
    ASSERT_TRUE(pair.Start());
    std::shared_ptr<platform::SerialDevice> far = platform::SystemSerialPorts().Open(farEnd);
    ASSERT_NE(far, nullptr);
    if (press == Press::WhileTheToolReopens) {
      // Anywhere from before the tool's next attempt to just after it.
      Settle(round * 37 % 160);
    } else if (press == Press::OnceTheToolIsOpen) {
      ASSERT_TRUE(RunUntil([&] { return T().IsConnected(); }));
    }

    const std::string text = "<STX>return " + std::to_string(round) + "<ETX>";
    Fields().data.sendText = text;
    W().FieldsToControls();
    W().ClearTraffic();
    Click(common::kSendText);
    const std::vector<std::string> lines = Lines();
    ASSERT_EQ(lines.size(), 1u) << "one line for the press";
    if (lines[0].starts_with("*ER* ")) {
      EXPECT_TRUE(lines[0].starts_with("*ER* RS232C Write Error(")) << lines[0];
      EXPECT_NE(press, Press::OnceTheToolIsOpen) << lines[0];
      ++refused;
    } else {
      EXPECT_EQ(lines[0], Cp932("送-> ") + text);
      const std::string bytes = "\x02return " + std::to_string(round) + "\x03";
      EXPECT_EQ(ReadFarEnd(*far, bytes.size()), bytes) << "what the line says went out";
      ++sent;
    }
    // The next loss must find the port open.
    ASSERT_TRUE(RunUntil([&] { return T().IsConnected(); })) << LastLine();
    far->Shutdown();
  }
  std::printf("%d presses sent, %d refused with an error line\n", sent, refused);
  EXPECT_GE(sent, kReturns / 3);
}

INSTANTIATE_TEST_SUITE_P(BusyThreads, PortReturns, ::testing::Values(0, 2),
                         [](const ::testing::TestParamInfo<int>& param) {
                           return param.param == 0 ? std::string("Quiet")
                                                   : std::to_string(param.param) + "BusyThreads";
                         });

}  // namespace
}  // namespace serial_window_test
