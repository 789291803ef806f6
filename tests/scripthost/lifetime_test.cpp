// Scripts that run for a long time: the objects a script drops are collected and released, so
// that memory and descriptors stay where they were however many controls, arrays and clients
// pass through; on the real program with the real control library.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

#include "platform/process.h"
#include "scripthost/host_runner.h"
#include "scripthost/sanitizer_scale.h"

namespace {

constexpr int kScale = scripthost_testing::kSanitizerSlowdown;

// A process's resident memory and open descriptors, read from /proc.
struct Usage {
  long rssKiB = -1;
  long descriptors = -1;
};

Usage UsageOf(const std::string& pid) {
  Usage usage;
  std::ifstream status("/proc/" + pid + "/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmRSS:", 0) == 0) usage.rssKiB = std::stol(line.substr(6));
  }
  usage.descriptors = 0;
  std::error_code error;
  for (auto it = std::filesystem::directory_iterator("/proc/" + pid + "/fd", error);
       !error && it != std::filesystem::directory_iterator(); it.increment(error)) {
    ++usage.descriptors;
  }
  return usage;
}

// Growth allowed between the first and the last measurement of a run: far below what one leaked
// array per poll or one leaked control per creation would add, and above the engine's own
// breathing.
constexpr long kRssGrowthKiB = 16 * 1024;
// The host collects after every 64 controls made, so up to 64 dropped ones may still hold their
// descriptors at any moment; a leak would add one or more per control, thousands in a run.
constexpr long kDescriptorGrowth = 80;

class LifetimeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::ChildProcess registering = platform::ChildProcess::Start(
        {TK_SCRIPT_REGISTER, {TK_QUORVANE_MODULE}, "", Environment()});
    ASSERT_TRUE(registering.IsRunning());
    registering.ReadRest();
    ASSERT_EQ(registering.Wait(), 0);
  }

  std::vector<std::pair<std::string, std::string>> Environment() const {
    std::vector<std::pair<std::string, std::string>> environment{
        {"XDG_DATA_HOME", runner_.folder() / "data"},
        {"XDG_CONFIG_HOME", runner_.folder() / "config"}};
    // AddressSanitizer holds freed memory back for a while; a small quarantine keeps the
    // resident size a measure of what the program itself keeps.
    const char* asan = std::getenv("ASAN_OPTIONS");
    environment.emplace_back("ASAN_OPTIONS", std::string(asan != nullptr ? asan : "") +
                                                 ":quarantine_size_mb=4:thread_local_quarantine_"
                                                 "size_kb=64");
    return environment;
  }

  // Starts the host on `script` (written to the test's folder) with the shell's process number
  // as the first line: the shell becomes the host.
  platform::ChildProcess Start(const std::string& script, std::vector<std::string> arguments,
                               std::string& pid) {
    const std::string path = runner_.folder() / "soak.js";
    testing_support::WriteWholeFile(path, script);
    // Few descriptors: a control that kept its own would soon make creating the next one fail.
    std::vector<std::string> words{
        "-c", "ulimit -n 256; echo $$; exec \"$@\" 2>&1", "sh", TK_SCRIPT_HOST, "--timeout", "110",
        path};
    words.insert(words.end(), arguments.begin(), arguments.end());
    platform::ChildProcess child =
        platform::ChildProcess::Start({"/bin/sh", words, runner_.folder().str(), Environment()});
    pid = child.ReadLine(10000).value_or("");
    return child;
  }

  // Runs a script that prints "mark" at points to measure (and sleeps a moment after each, so
  // that nothing changes while it is measured), and returns the usage at each mark.
  std::vector<Usage> Measure(const std::string& script, std::string& rest) {
    std::string pid;
    platform::ChildProcess child = Start(script, {}, pid);
    std::vector<Usage> marks;
    for (;;) {
      std::optional<std::string> line = child.ReadLine(100000);
      if (!line || *line != "mark") {
        rest = line.value_or("") + "\n" + child.ReadRest();
        break;
      }
      marks.push_back(UsageOf(pid));
    }
    EXPECT_EQ(child.Wait(), 0) << rest;
    return marks;
  }

  static void ExpectFlat(const std::vector<Usage>& marks, const std::string& what) {
    ASSERT_GE(marks.size(), 2u) << what;
    EXPECT_LE(marks.back().rssKiB - marks.front().rssKiB, kRssGrowthKiB)
        << what << ": " << marks.front().rssKiB << " KiB, then " << marks.back().rssKiB << " KiB";
    EXPECT_LE(marks.back().descriptors - marks.front().descriptors, kDescriptorGrowth)
        << what << ": " << marks.front().descriptors << " descriptors, then "
        << marks.back().descriptors;
  }

  scripthost_testing::HostRunner runner_;
};

// The script's marks: at a tenth of the loop and at its end.
std::string MarkedLoop(int count, const std::string& body) {
  std::ostringstream script;
  script << "function mark() { WScript.Echo('mark'); WScript.Sleep(1500); }\n"
         << "var count = " << count << ";\n"
         << "for (var i = 0; i < count; ++i) {\n"
         << "  if (i === count / 10) mark();\n"
         << body << "\n}\n"
         << "mark();\n";
  return script.str();
}

TEST_F(LifetimeTest, DroppedControlsAreReleasedWithAndWithoutCollectGarbage) {
  const int count = 5000 / kScale;
  struct Case {
    const char* what;
    const char* body;
  };
  const Case cases[] = {
      {"dropped", "  var o = new ActiveXObject('Quorvane.Winsock'); o = null;"},
      {"dropped and collected",
       "  var o = new ActiveXObject('Quorvane.Winsock'); o = null; CollectGarbage();"},
      // A control that opened a socket closes it when it goes.
      {"listening, then dropped",
       "  var o = new ActiveXObject('Quorvane.Winsock'); o.LocalPort = 0; o.Listen(); o = null;"},
  };
  for (const Case& c : cases) {
    std::string rest;
    std::vector<Usage> marks = Measure(MarkedLoop(count, c.body), rest);
    ExpectFlat(marks, c.what);
    EXPECT_EQ(rest, "\n") << c.what;
  }
}

TEST_F(LifetimeTest, EmptyPollsKeepNothing) {
  const int count = 300000 / kScale;
  std::string rest;
  std::vector<Usage> marks =
      Measure("var ws = new ActiveXObject('Quorvane.Winsock');\nws.Start_EventForScript();\n" +
                  MarkedLoop(count,
                             "  var e = new VBArray(ws.GetEventParameters()).toArray();\n"
                             "  if (e[0] !== undefined) WScript.Echo('unexpected ' + e[0]);\n"
                             "  if (i % 1000 === 0) WScript.Sleep(0);"),
              rest);
  ExpectFlat(marks, "empty polls");
  EXPECT_EQ(rest, "\n");
}

TEST_F(LifetimeTest, HeldObjectsStayAndKeepTheirIdentityThroughCollections) {
  scripthost_testing::HostRun run;
  run.script =
      "var kept = new ActiveXObject('Quorvane.Winsock');\n"
      "kept.LocalPort = 4321;\n"
      "var array = kept.StrToByteArray('kept');\n"
      "for (var i = 0; i < 3000; ++i) { new ActiveXObject('Quorvane.Winsock'); "
      "kept.StrToByteArray('x'); }\n"
      "CollectGarbage();\n"
      "WScript.Echo(kept.LocalPort, kept.ByteArrayToStr(array), kept === kept);\n";
  run.environment = Environment();
  scripthost_testing::HostResult result = runner_.Run(run);
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out, "4321 kept -1\n");
}

}  // namespace
