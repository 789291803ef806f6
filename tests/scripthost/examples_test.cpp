// The example scripts, run by the real host against the real control library registered in a
// registry of the test's own: serial ports are a socat pair of pseudo-terminals, TCP peers are
// loopback sockets.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "platform/process.h"
#include "scripthost/host_runner.h"

namespace {

using scripthost_testing::HostResult;
using scripthost_testing::HostRun;
using scripthost_testing::HostRunner;

class ExamplesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::ChildProcess registering = platform::ChildProcess::Start(
        {TK_SCRIPT_REGISTER, {TK_QUORVANE_MODULE}, "", Environment()});
    ASSERT_TRUE(registering.IsRunning());
    registering.ReadRest();
    ASSERT_EQ(registering.Wait(), 0);
  }

  std::vector<std::pair<std::string, std::string>> Environment() const {
    return {{"XDG_DATA_HOME", runner_.folder() / "data"},
            {"XDG_CONFIG_HOME", runner_.folder() / "config"}};
  }

  HostResult RunExample(const std::string& name, std::vector<std::string> arguments) {
    HostRun run;
    run.scriptName = std::string(TK_EXAMPLES_DIR) + "/" + name;
    run.writeScript = false;
    run.arguments = std::move(arguments);
    run.options = {"--timeout", "20"};
    run.environment = Environment();
    return runner_.Run(run);
  }

  // A null-modem pair of pseudo-terminals, reached by the scripts as COM5 and COM6.
  platform::ChildProcess StartSerialPair() {
    const std::string a = runner_.folder() / "ttyA";
    const std::string b = runner_.folder() / "ttyB";
    platform::ChildProcess socat = platform::ChildProcess::Start(
        {"/usr/bin/socat", {"pty,raw,echo=0,link=" + a, "pty,raw,echo=0,link=" + b}, "", {}});
    for (int i = 0; i < 500 && !(std::filesystem::exists(a) && std::filesystem::exists(b)); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    const std::filesystem::path ports = runner_.folder().path() / "config/commtestkit/ports";
    std::filesystem::create_directories(ports);
    std::filesystem::create_symlink(a, ports / "COM5");
    std::filesystem::create_symlink(b, ports / "COM6");
    return socat;
  }

  HostRunner runner_;
};

TEST_F(ExamplesTest, SerialLoopbackOverASocatPair) {
  if (!std::filesystem::exists("/usr/bin/socat")) GTEST_SKIP() << "socat is not installed";
  platform::ChildProcess pair = StartSerialPair();
  ASSERT_TRUE(pair.IsRunning());
  HostResult result = RunExample("serial_loopback.js", {"5", "6", "ABC 日本語"});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out, "B received: ABC 日本語\nA received: ABC 日本語\n");
  EXPECT_EQ(result.err, "");
}

}  // namespace
