// The host's own objects as scripts reach them through quorvane-script: by ProgID before the
// class registry, with Enumerator over their collections, dates as script Dates, errors with
// their numbers, and a data stream's bytes sent through the socket control to a loopback peer.

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <regex>
#include <sstream>
#include <thread>

#include "platform/process.h"
#include "platform/stream_socket.h"
#include "scripthost/host_runner.h"
#include "support/temp_dir.h"

namespace {

using scripthost_testing::HostResult;
using scripthost_testing::HostRun;
using scripthost_testing::HostRunner;

class HostObjectsScriptTest : public ::testing::Test {
 protected:
  void Register() {
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
  HostResult Run(const std::string& script, std::vector<std::string> arguments = {}) {
    HostRun run;
    run.script = script;
    run.arguments = std::move(arguments);
    run.options = {"--timeout", "20"};
    run.environment = Environment();
    return runner_.Run(run);
  }
  HostRunner runner_;
};

// A loopback listener that takes one connection and keeps what arrives until the peer closes.
class Receiver {
 public:
  // `answer`: each line received gets the answer "1.25".
  explicit Receiver(bool answer = false) : answer_(answer) {
    listener_.Open();
    listener_.Bind(0, true);
    listener_.Listen(1);
    port_ = listener_.LocalPort();
    thread_ = std::thread([this] {
      if (listener_.WaitFor(platform::StreamSocket::Await::Acceptable, 10000) !=
          platform::StreamSocket::WaitOutcome::Ready) {
        return;
      }
      platform::StreamSocket peer;
      if (!listener_.Accept(peer)) return;
      for (;;) {
        if (peer.WaitFor(platform::StreamSocket::Await::Readable, 10000) !=
            platform::StreamSocket::WaitOutcome::Ready) {
          return;
        }
        char buffer[4096];
        const long n = peer.Receive(buffer, sizeof buffer);
        if (n <= 0) return;
        received_.append(buffer, static_cast<std::size_t>(n));
        if (answer_ && received_.ends_with("\r\n")) {
          const std::string reply = "1.25\r\n";
          (void)peer.Send(reply.data(), reply.size());
        }
      }
    });
  }
  ~Receiver() {
    if (thread_.joinable()) thread_.join();
  }
  int port() const { return port_; }
  std::string Received() {
    if (thread_.joinable()) thread_.join();
    return received_;
  }

 private:
  const bool answer_;
  platform::StreamSocket listener_;
  int port_ = -1;
  std::string received_;
  std::thread thread_;
};

TEST_F(HostObjectsScriptTest, ObjectsCollectionsDatesAndErrorsInAScript) {
  HostResult result = Run(R"(
    var fso = new ActiveXObject("Scripting.FileSystemObject");
    var here = fso.BuildPath(fso.GetParentFolderName(WScript.ScriptFullName), "Rig");
    fso.CreateFolder(here);
    var f = fso.CreateTextFile(fso.BuildPath(here, "a.txt"), true);
    f.WriteLine("x");
    f.Close();
    fso.CopyFile(fso.BuildPath(here, "A.TXT"), fso.BuildPath(here, "b.log"));
    var names = [];
    for (var e = new Enumerator(fso.GetFolder(here).Files); !e.atEnd(); e.moveNext()) {
      names.push(e.item().Name);
    }
    WScript.Echo(names.join(","));
    var d = WScript.CreateObject("Scripting.Dictionary");
    d.Add("k", 1);
    d.Add("j", 2);
    WScript.Echo(new VBArray(d.Keys()).toArray().join(","));
    var keys = [];
    for (var e2 = new Enumerator(d); !e2.atEnd(); e2.moveNext()) keys.push(e2.item());
    WScript.Echo(keys.join(","), d.Count, d.Item("j"));
    var m = fso.GetFile(fso.BuildPath(here, "a.txt")).DateLastModified;
    WScript.Echo(m instanceof Date ? "date" : "other", Math.abs(new Date() - m) < 60000 ? "now" : "then");
    d.Add("when", new Date(2026, 11, 11, 14, 19, 25, 500));
    var back = d.Item("when");
    WScript.Echo(back.getFullYear(), back.getMonth(), back.getDate(), back.getHours(),
                 back.getMinutes(), back.getSeconds(), back.getMilliseconds());
    d.Add("var", new Date(2001, 0, 2).getVarDate());
    WScript.Echo(d.Item("var").getDate());
    try { d.Add("k", 3); } catch (x) { WScript.Echo(x.number & 0xFFFF, x.description); }
    try { fso.GetFile("Q:\\x.txt"); } catch (x) { WScript.Echo(x.number & 0xFFFF, x.description); }
    var st = new ActiveXObject("ADODB.Stream");
    st.Type = 2;
    st.Charset = "utf-8";
    st.Open();
    st.WriteText("line", 1);
    WScript.Echo(st.Size, st.EOS ? "end" : "more");
  )");
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out,
            "a.txt,b.log\n"
            "k,j\n"
            "k,j 2 2\n"
            "date now\n"
            "2026 11 11 14 19 25 500\n"
            "2\n"
            "457 This key is already associated with an element of this collection\n"
            "76 Path not found\n"
            "9 end\n");
  // The missing drive is named once on standard error, with the link to make.
  EXPECT_NE(result.err.find("Drive Q: has no link"), std::string::npos) << result.err;
}

TEST_F(HostObjectsScriptTest, ADataStreamSendsAFileThroughTheSocketControl) {
  Register();
  std::string bytes;
  for (int i = 0; i < 3000; ++i) bytes.push_back(static_cast<char>(i * 7));
  testing_support::WriteWholeFile(runner_.folder() / "payload.bin", bytes);
  Receiver receiver;
  HostResult result =
      Run(R"(
    var st = new ActiveXObject("ADODB.Stream");
    st.Type = 1;
    st.Open();
    st.LoadFromFile(WScript.Arguments(2));
    var ws = new ActiveXObject("Quorvane.Winsock");
    ws.Start_EventForScript();
    ws.Connect(WScript.Arguments(0), parseInt(WScript.Arguments(1), 10));
    var sent = false;
    for (var waited = 0; waited < 5000; waited += 10) {
      var e = new VBArray(ws.GetEventParameters()).toArray();
      if (e[0] === "Connect") { ws.SendData(st.Read()); sent = true; }
      if (e[0] === "SendComplete") break;
      if (e[0] === undefined) WScript.Sleep(10);
    }
    ws.Close2();
    WScript.Echo(sent ? "sent" : "not sent", st.EOS ? "end" : "more");
  )",
          {"127.0.0.1", std::to_string(receiver.port()), runner_.folder() / "payload.bin"});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out, "sent end\n");
  EXPECT_EQ(receiver.Received(), bytes);
}

TEST_F(HostObjectsScriptTest, CsvLoggerExampleWritesRowsBesideItself) {
  Register();
  std::ifstream example(std::string(TK_EXAMPLES_DIR) + "/csv_logger.js");
  std::stringstream text;
  text << example.rdbuf();
  Receiver receiver(true);
  HostRun run;
  run.script = text.str();
  run.scriptName = "csv_logger.js";
  run.arguments = {"127.0.0.1", std::to_string(receiver.port()), "MEAS?", "3", "50"};
  run.options = {"--timeout", "20"};
  run.environment = Environment();
  HostResult result = runner_.Run(run);
  EXPECT_EQ(result.exitCode, 0) << result.err;
  const std::string csvPath = runner_.folder() / "csv_logger.csv";
  EXPECT_EQ(result.out, csvPath + "\n");
  const std::string csv = testing_support::ReadWholeFile(csvPath);
  const std::regex rows("time,answer\r\n(\\d{4}/\\d\\d/\\d\\d \\d\\d:\\d\\d:\\d\\d,1\\.25\r\n){3}");
  EXPECT_TRUE(std::regex_match(csv, rows)) << csv;
  EXPECT_EQ(receiver.Received(), "MEAS?\r\nMEAS?\r\nMEAS?\r\n");
}

}  // namespace
