// Rig pages run by the real host under an X server of the test's own, with the real control
// library: loopback TCP peers and a pseudo-terminal pair stand in for the rig's devices. Each
// page ends the host itself, with window.close() (exit code 0) once it has seen what it should,
// or with Host.Quit(n) naming what went wrong.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <string>
#include <thread>

#include "pages/page_rig.h"

namespace {

using page_testing::kMSCommClassId;
using page_testing::kWinsockClassId;
using page_testing::LoopbackPeer;
using page_testing::PageResult;
using page_testing::PageRig;

// An HTML application with `objects` in its body and `script` after them; the script finds the
// peer's port as the last word of the application's command line.
std::string Application(const std::string& objects, const std::string& script,
                        const std::string& afterScript = "") {
  return "<html><head><title>rig</title>\n"
         "<hta:application id=\"oApp\" applicationName=\"PageTest\" version=\"2.5\">\n"
         "</head><body>\n" +
         objects +
         "<script>\n"
         "var peerPort = Number(oApp.commandLine.split(' ').pop());\n" +
         script + "</script>\n" + afterScript + "</body></html>\n";
}

std::string Winsock(const std::string& id, const std::string& params = "") {
  return std::string("<object classid=\"") + kWinsockClassId + "\" id=\"" + id + "\">\n" +
         "<param name=\"RemoteHost\" value=\"127.0.0.1\">\n" + params + "</object>\n";
}

class PageRunTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(rig_.ok()) << "no X server (Xvfb) or no registration"; }
  PageRig rig_;
};

TEST_F(PageRunTest, PageConnectsOnLoadAndChecksTheAnswerInScriptEventMode) {
  std::string command;
  LoopbackPeer peer(1, [&command](int, platform::StreamSocket& socket) {
    command = page_testing::ReceiveBytes(socket, 7);
    page_testing::SendAll(socket, "RIG,0001\r\n");
    page_testing::ReceiveBytes(socket, 1);  // until the page closes
  });
  const std::string script = R"(
Sock1.RemotePort = peerPort;
if (Sock1.RemotePort !== peerPort || Sock1.State !== 0) Host.Quit(10);
Sock1.Start_EventForScript();
var answer = '';
function poll() {
  for (;;) {
    var e = new VBArray(Sock1.GetEventParameters()).toArray();
    if (e.length !== 10) Host.Quit(11);
    if (e[0] === undefined) break;
    if (e[0] == 'Connect') Sock1.SendData(Sock1.StrToByteArray('*IDN?\r\n'));
    if (e[0] == 'DataArrival') answer += Sock1.ByteArrayToStr(e[9]);
    if (e[0] == 'Error') Host.Quit(12);
  }
  if (answer.length < 10) { setTimeout(poll, 10); return; }
  if (answer !== 'RIG,0001\r\n') Host.Quit(13);
  Sock1.Close2();
  window.close();
}
window.onload = function () { Sock1.Connect(); setTimeout(poll, 10); };
)";
  PageResult result =
      rig_.Run("rig.hta", Application(Winsock("Sock1"), script), {std::to_string(peer.port())});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(command, "*IDN?\r\n");
}

// The three forms in which a page binds a control's events.
struct EventForm {
  const char* name;
  std::string inScript;  // in the page's script
  std::string after;     // after it, in the page
};

class EventFormTest : public PageRunTest, public ::testing::WithParamInterface<EventForm> {};

// Each form sends on Connect, checks bytesTotal on DataArrival and answers with it, and closes
// the window when the peer closes.
TEST_P(EventFormTest, EventsOfTheSocketReachThePage) {
  std::string ping;
  std::string reply;
  LoopbackPeer peer(1, [&](int, platform::StreamSocket& socket) {
    ping = page_testing::ReceiveBytes(socket, 6);
    page_testing::SendAll(socket, "PONG\r\n");
    reply = page_testing::ReceiveBytes(socket, 7);
    socket.Close();
  });
  const std::string script = R"(
Sock1.remoteport = peerPort;
var connects = 0;
function onConnect() {
  ++connects;
  Sock1.SendData('ping\r\n');
}
function onData(bytesTotal) {
  if (Sock1.State != 7) Host.Quit(20);
  if (bytesTotal !== 6) Host.Quit(21);
  Sock1.SendData('got ' + bytesTotal + '\r\n');
}
function onClose() {
  if (connects !== 1) Host.Quit(22);
  window.close();
}
window.onload = function () { Sock1.Connect(); };
)" + GetParam().inScript;
  PageResult result =
      rig_.Run("events.hta", Application(Winsock("Sock1"), script, GetParam().after),
               {std::to_string(peer.port())});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(ping, "ping\r\n");
  EXPECT_EQ(reply, "got 6\r\n");
}

INSTANTIATE_TEST_SUITE_P(
    Forms, EventFormTest,
    ::testing::Values(
        EventForm{"FunctionObjectColonColonEvent",
                  "function Sock1::Connect() { onConnect(); }\n"
                  "function Sock1::DataArrival(bytesTotal) { onData(bytesTotal); }\n"
                  "function Sock1::close2() { onClose(); }\n",
                  ""},
        EventForm{"ScriptForEvent", "",
                  "<script for=\"Sock1\" event=\"Connect()\">onConnect();</script>\n"
                  "<script for=\"Sock1\" event=\"DataArrival(bytesTotal)\">\n"
                  "  onData(bytesTotal);\n</script>\n"
                  "<script for=\"Sock1\" event=\"Close2\">onClose();</script>\n"},
        EventForm{"AttachEvent",
                  "Sock1.attachEvent('Connect', onConnect);\n"
                  "document.all.Sock1.attachEvent('onDataArrival', onData);\n"
                  "document.getElementById('Sock1').object.attachEvent('Close2', onClose);\n",
                  ""}),
    [](const ::testing::TestParamInfo<EventForm>& form) { return std::string(form.param.name); });

// A window onload handler in the script-for form runs when the page has loaded, after every
// script and object of the page, as on the original, not where it stands.
TEST_F(PageRunTest, AWindowOnloadScriptRunsWhenThePageHasLoaded) {
  const std::string page =
      "<html><head>\n"
      "<script for=\"window\" event=\"onload\">\n"
      "  Host.Quit(typeof init === 'function' && Sock1.State === 0 && init() === 5 ? 0 : 90);\n"
      "</script>\n"
      "</head><body>\n" +
      Winsock("Sock1") + "<script>function init() { return 5; }</script>\n</body></html>\n";
  PageResult result = rig_.Run("onload.hta", page, {});
  EXPECT_EQ(result.exitCode, 0) << result.err;
}

TEST_F(PageRunTest, ControlErrorsAreCaughtWithTheirNumbers) {
  const std::string script = R"(
var failures = [];
function expectError(number, f, label) {
  try {
    f();
    failures.push(label + ': no error');
  } catch (e) {
    if ((e.number & 0xFFFF) !== number || typeof e.description !== 'string' || e.description === '')
      failures.push(label + ': ' + e.number + ' ' + e.description);
  }
}
expectError(40006, function () { Sock1.SendData('x'); }, 'send while closed');
expectError(438, function () { Sock1.NoSuchMethod(); }, 'unknown method');
expectError(438, function () { Sock1.NoSuchProperty = 1; }, 'unknown property');
expectError(13, function () { Sock1.RemotePort = {}; }, 'a script object as a port');
expectError(5013, function () { new VBArray(5); }, 'VBArray of a number');
expectError(13, function () { Sock1.ByteArrayToHex('no array'); }, 'hex of a string');
if (Sock1.ByteArrayToHex(Sock1.HexToByteArray('0aff00')) !== '0AFF00') failures.push('hex');
if (new VBArray(Sock1.StrToByteArray('AB')).toArray().join(',') !== '65,66') failures.push('bytes');
if (new VBArray(Sock1.StrToByteArray('AB')).ubound() !== 1) failures.push('ubound');
var made = new ActiveXObject('Quorvane.Winsock');
made.RemotePort = 77;
if (made.RemotePort !== 77 || made.State !== 0) failures.push('ActiveXObject');
expectError(429, function () { new ActiveXObject('No.Such.Class'); }, 'unknown class');
if (oApp.applicationName !== 'PageTest' || oApp.version !== '2.5') failures.push('application');
if (oApp.commandLine.indexOf('"') !== 0) failures.push('command line ' + oApp.commandLine);
if (Sock1.LocalPort !== 4321) failures.push('param LocalPort ' + Sock1.LocalPort);
if (failures.length) {
  setTimeout(function () { Host.Quit(30); }, 0);
  throw new Error(failures.join('; '));
}
window.close();
)";
  const std::string page =
      Application(Winsock("Sock1", "<param name=\"LocalPort\" value=\"4321\">\n"), script);
  PageResult result = rig_.Run("rig errors 受信.hta", page, {"1"});
  EXPECT_EQ(result.exitCode, 0) << result.err;
}

TEST_F(PageRunTest, TheErrorEventOfARefusedConnectionReachesThePage) {
  // A port that is bound but not listening refuses connections, and stays taken meanwhile.
  platform::StreamSocket closedPort;
  ASSERT_TRUE(closedPort.Open());
  ASSERT_TRUE(closedPort.Bind(0, false));
  const std::string script = R"(
Sock1.RemotePort = peerPort;
function Sock1::Error(Number, Description, Scode, Source, HelpFile, HelpContext, CancelDisplay) {
  // A handler may write its by-reference arguments; the control takes them back.
  CancelDisplay = true;
  Description = 'seen';
  if (Number !== 10061) Host.Quit(60);
  if (typeof Source !== 'string' || typeof Scode !== 'number') Host.Quit(61);
  setTimeout(function () { Host.Quit(Sock1.State === 9 ? 0 : 62); }, 0);
}
window.onload = function () { Sock1.Connect(); };
)";
  PageResult result = rig_.Run("refused.hta", Application(Winsock("Sock1"), script),
                               {std::to_string(closedPort.LocalPort())});
  EXPECT_EQ(result.exitCode, 0) << result.err;
}

// The test widget's members and events: values of every kind, an event raised inside a member
// call (it reaches the page after that call's task), and by-reference event arguments that the
// page's handler writes and the object reads back.
TEST_F(PageRunTest, WidgetValuesAndEventsFollowThePageRules) {
  const std::string objects = std::string("<object classid=\"") + page_testing::kWidgetClassId +
                              "\" id=\"W1\">\n<param name=\"Value\" value=\"42\">\n"
                              "<param name=\"name\" value=\"tagged\">\n</object>\n";
  const std::string script = R"(
var failures = [];
if (W1.Value !== 42 || W1.NAME !== 'tagged') failures.push('params ' + W1.Value + ' ' + W1.Name);
if (W1.Self.Name !== 'tagged') failures.push('object result');
if (W1.Item(4) !== 40) failures.push('indexed property');
var described = W1.Describe(1.5, true, null);
if (described !== 'R8:1.5,Bool:True,Null') failures.push('values passed: ' + described);
if (W1.Describe(7, 'x') !== 'I4:7,String:x,Missing') failures.push('omitted: ' + W1.Describe(7, 'x'));
var bytes = new VBArray(W1.Bytes(3));
if (bytes.lbound() !== 0 || bytes.ubound() !== 2 || bytes.toArray().join() !== '0,85,170')
  failures.push('bytes ' + bytes.toArray().join());
if (W1.Length(W1.Bytes(5)) !== 5) failures.push('an array handed back');
try { W1.Fail(1234); failures.push('no error'); } catch (e) {
  if ((e.number & 0xFFFF) !== 1234 || e.source !== 'ScriptHostTest.Widget') failures.push('error ' + e.number + ' ' + e.source);
}
var made = new ActiveXObject('ScriptHostTest.Widget');
if (made.Name !== 'new') failures.push('ActiveXObject starts new: ' + made.Name);
var pings = [];
function W1::Ping(count) { pings.push(count); }
function W1::Error(Number, Description, CancelDisplay) {
  if (Number !== 10053) failures.push('error event ' + Number);
  Description = 'handled ' + Description;
  CancelDisplay = true;
}
W1.FireNow();
if (pings.length !== 0) failures.push('an event inside the member call');
function finish() {
  if (failures.length) {
    setTimeout(function () { Host.Quit(70); }, 0);
    throw new Error(failures.join('; '));
  }
  window.close();
}
setTimeout(function () {
  if (pings.join() !== '-1') failures.push('the event after the call: ' + pings.join());
  W1.Arm(2);
  var tries = 0;
  var timer = setInterval(function () {
    if (W1.LastDescription === '' && ++tries < 200) return;
    clearInterval(timer);
    if (W1.LastDescription !== 'handled Connection is aborted' || W1.LastCancel !== true)
      failures.push('written back: ' + W1.LastDescription + ' ' + W1.LastCancel);
    finish();
  }, 10);
}, 200);
)";
  PageResult result = rig_.Run("widget.hta", Application(objects, script), {"1"});
  EXPECT_EQ(result.exitCode, 0) << result.err;
}

TEST_F(PageRunTest, AnUncaughtErrorIsReportedWithItsPlaceAndThePageGoesOn) {
  const std::string page = Application(Winsock("Sock1"), "var a = 1;\nSock1.SendData('x');\n",
                                       "<script>Host.Quit(Sock1.State === 0 ? 7 : 8);</script>\n");
  PageResult result = rig_.Run("uncaught.hta", page, {"1"});
  EXPECT_EQ(result.exitCode, 7) << result.err;
  // The failing line is the third of the script element, the page's tenth.
  EXPECT_NE(result.err.find("uncaught.hta(10, "), std::string::npos) << result.err;
  EXPECT_NE(result.err.find("Script runtime error: Wrong protocol or connection state for the "
                            "requested transaction or request. (40006)"),
            std::string::npos)
      << result.err;
}

TEST_F(PageRunTest, AnErrorInAnEventHandlerIsReportedWithTheHandlersPlace) {
  const std::string objects = std::string("<object classid=\"") + page_testing::kWidgetClassId +
                              "\" id=\"W1\">\n</object>\n";
  const std::string script =
      "function W1::Ping(count) {\n"
      "  noSuchFunction(count);\n"
      "}\n"
      "W1.Arm(1);\n"
      "setTimeout(function () { Host.Quit(3); }, 1000);\n";
  PageResult result = rig_.Run("handler.hta", Application(objects, script), {"1"});
  EXPECT_EQ(result.exitCode, 3) << result.err;
  // The handler's second line is the page's ninth.
  EXPECT_NE(result.err.find("handler.hta(9, "), std::string::npos) << result.err;
  EXPECT_NE(result.err.find("noSuchFunction"), std::string::npos) << result.err;
}

TEST_F(PageRunTest, AnObjectThatCannotBeLoadedIsReported) {
  const std::string page = Application(
      Winsock("Sock1", "<param name=\"RemotePort\" value=\"not a number\">\n") +
          "<object classid=\"clsid:00000000-0000-0000-0000-0000000000AB\" id=\"Ghost\"></object>\n"
          "<script language=\"VBScript\">MsgBox \"hi\"</script>\n",
      "Host.Quit(Sock1.object === null && Ghost.object === null ? 9 : 10);\n");
  PageResult result = rig_.Run("broken.hta", page, {"1"});
  // Both stay plain elements of the page, without a control behind them.
  EXPECT_EQ(result.exitCode, 9) << result.err;
  EXPECT_NE(result.err.find("\"Sock1\""), std::string::npos) << result.err;
  EXPECT_NE(result.err.find("\"Ghost\""), std::string::npos) << result.err;
  EXPECT_NE(result.err.find("a VBScript script element does not run"), std::string::npos)
      << result.err;
}

// The host loads the page and what lies in its folder and below, and nothing from the network:
// neither a picture nor a script nor a navigation reaches a web server on loopback.
TEST_F(PageRunTest, OnlyThePagesOwnFolderIsLoaded) {
  platform::StreamSocket server;
  ASSERT_TRUE(server.Open());
  ASSERT_TRUE(server.Bind(0, true));
  ASSERT_TRUE(server.Listen(8));
  const std::string web = "http://127.0.0.1:" + std::to_string(server.LocalPort());
  std::filesystem::create_directories(rig_.folder().path() / "rig/lib");
  testing_support::WriteWholeFile(rig_.folder() / "rig/lib/inside.js", "var inside = 1;\n");
  testing_support::WriteWholeFile(rig_.folder() / "outside.js", "var outside = 1;\n");
  const std::string page =
      "<html><body>\n<img src=\"" + web + "/logo.gif\">\n" + "<script src=\"" + web +
      "/remote.js\"></script>\n" + "<script src=\"lib/inside.js\"></script>\n" +
      "<script src=\"../outside.js\"></script>\n" +
      "<script>\n"
      "var seen = (typeof inside) + ' ' + (typeof outside);\n"
      "setTimeout(function () { location.href = '" +
      web +
      "/next.html'; }, 100);\n"
      "setTimeout(function () { Host.Quit(seen === 'number undefined' ? 0 : 80); }, 1500);\n"
      "</script></body></html>\n";
  const std::filesystem::path inRig = rig_.folder().path() / "rig" / "local.hta";
  testing_support::WriteWholeFile(inRig.string(), page);
  PageResult result = rig_.RunFile(inRig.string(), {}, 60);
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(server.WaitFor(platform::StreamSocket::Await::Acceptable, 0),
            platform::StreamSocket::WaitOutcome::TimedOut);
  EXPECT_NE(result.err.find("local pages only: " + web + "/logo.gif"), std::string::npos)
      << result.err;
  EXPECT_NE(result.err.find("local pages only: " + web + "/next.html"), std::string::npos)
      << result.err;
  EXPECT_NE(result.err.find("outside the page's folder"), std::string::npos) << result.err;
}

TEST_F(PageRunTest, AReloadReleasesTheFirstPagesControls) {
  int listening = -1;
  bool listenerAliveBefore = false;
  bool firstConnectionClosed = false;
  bool listenerGoneAfter = false;
  LoopbackPeer peer(2, [&](int index, platform::StreamSocket& socket) {
    if (index == 0) {
      std::string line = page_testing::ReceiveBytes(socket, 16);
      if (line.starts_with("listening ")) listening = std::stoi(line.substr(10));
      listenerAliveBefore = listening > 0 && page_testing::Connects(listening);
      page_testing::SendAll(socket, "reload\r\n");
      // The reload releases the first page's socket control: the connection ends.
      firstConnectionClosed = page_testing::ReceiveBytes(socket, 1).empty();
    } else {
      page_testing::ReceiveBytes(socket, 8);
      listenerGoneAfter = listening > 0 && !page_testing::Connects(listening);
      page_testing::SendAll(socket, "done\r\n");
      page_testing::ReceiveBytes(socket, 1);
    }
  });
  const std::string script = R"(
Peer.RemotePort = peerPort;
var second = window.name === 'second';
function Peer::Connect() {
  if (second) {
    Peer.SendData('second\r\n');
    return;
  }
  Listener.LocalPort = 0;
  Listener.Listen();
  if (Listener.State !== 2) Host.Quit(40);
  Peer.SendData('listening ' + Listener.LocalPort + '\r\n');
}
function Peer::DataArrival(bytesTotal) {
  if (second) {
    window.close();
  } else {
    window.name = 'second';
    location.reload();
  }
}
window.onload = function () { Peer.Connect(); };
)";
  PageResult result =
      rig_.Run("reload.hta", Application(Winsock("Peer") + Winsock("Listener"), script),
               {std::to_string(peer.port())});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_GT(listening, 0);
  EXPECT_TRUE(listenerAliveBefore);
  EXPECT_TRUE(firstConnectionClosed);
  EXPECT_TRUE(listenerGoneAfter);
}

TEST_F(PageRunTest, SerialPageTalksOverAPseudoTerminalPairByItsComAliases) {
  const std::string a = rig_.folder() / "ttyA";
  const std::string b = rig_.folder() / "ttyB";
  platform::ChildProcess socat = platform::ChildProcess::Start(
      {"/usr/bin/socat", {"pty,raw,echo=0,link=" + a, "pty,raw,echo=0,link=" + b}, "", {}});
  ASSERT_TRUE(socat.IsRunning());
  for (int i = 0; i < 500 && !(std::filesystem::exists(a) && std::filesystem::exists(b)); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  const std::filesystem::path ports = rig_.folder().path() / "config/commtestkit/ports";
  std::filesystem::create_directories(ports);
  std::filesystem::create_symlink(a, ports / "COM5");
  std::filesystem::create_symlink(b, ports / "COM6");
  auto comm = [](const std::string& id, int port) {
    return std::string("<object classid=\"") + kMSCommClassId + "\" id=\"" + id + "\">\n" +
           "<param name=\"CommPort\" value=\"" + std::to_string(port) + "\">\n" +
           "<param name=\"Settings\" value=\"19200,n,8,1\">\n" +
           "<param name=\"RThreshold\" value=\"1\">\n</object>\n";
  };
  const std::string script = R"(
var got = '';
var attachedCalls = 0;
Far.attachEvent('OnComm', function () { ++attachedCalls; });
function Far::OnComm() {
  if (Far.CommEvent == 2) got += Far.Input2;
  if (got.length < 5) return;
  // The attached handler runs after this one: it is counted on the next task.
  setTimeout(function () { Host.Quit(got !== 'hello' ? 50 : attachedCalls === 0 ? 52 : 0); }, 0);
}
window.onload = function () {
  if (Near.Settings !== '19200,n,8,1' || Near.CommPort !== 5) Host.Quit(51);
  Near.PortOpen = true;
  Far.PortOpen = true;
  Near.Output = 'hello';
};
)";
  PageResult result =
      rig_.Run("serial.hta", Application(comm("Near", 5) + comm("Far", 6), script), {"0"});
  EXPECT_EQ(result.exitCode, 0) << result.err;
}

}  // namespace

namespace {

// The example pages open, make their controls and run without a script error until the host's
// time is up (exit code 2); the TCP page connects to the peer named on its command line.
class ExamplePagesTest : public PageRunTest {
 protected:
  static void ExpectNoPageErrors(const PageResult& result) {
    EXPECT_EQ(result.exitCode, 2) << result.err;
    EXPECT_EQ(result.err.find("Script runtime error"), std::string::npos) << result.err;
    EXPECT_EQ(result.err.find("could not be created"), std::string::npos) << result.err;
    EXPECT_EQ(result.err.find("Script error"), std::string::npos) << result.err;
  }
};

// The TCP page connects to the peer on its command line; stopped from outside, the host closes
// like its window and releases the page's socket, which the peer sees as the connection's end.
TEST_F(ExamplePagesTest, TcpRigConnectsAndLetsGoWhenTheHostIsStopped) {
  std::atomic<bool> connected{false};
  bool closedByPage = false;
  LoopbackPeer peer(1, [&](int, platform::StreamSocket& socket) {
    connected = true;
    page_testing::SendAll(socket, "RIG,0001\r\nsecond line\r\n");
    closedByPage = page_testing::ReceiveBytes(socket, 1).empty();
  });
  platform::ChildProcess host = rig_.Start(std::string(TK_EXAMPLES_DIR) + "/pages/tcp_rig.hta",
                                           {"127.0.0.1", std::to_string(peer.port())}, 60);
  for (int i = 0; i < 6000 && !connected; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  // A moment for the page to take the lines in, then the host is told to stop.
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  host.Signal(SIGTERM);
  PageResult result = rig_.Finish(host);
  EXPECT_EQ(result.exitCode, 128 + SIGTERM) << result.err;
  EXPECT_TRUE(connected);
  EXPECT_TRUE(closedByPage);
  EXPECT_EQ(result.err.find("Script"), std::string::npos) << result.err;
  EXPECT_EQ(result.err.find("could not be created"), std::string::npos) << result.err;
}

TEST_F(ExamplePagesTest, SerialRigOpens) {
  PageResult result = rig_.RunFile(std::string(TK_EXAMPLES_DIR) + "/pages/serial_rig.hta",
                                   {"5", "19200,n,8,1"}, 10);
  ExpectNoPageErrors(result);
}

}  // namespace
