// The platform language's own behaviour on the real program: its error model (numbers,
// descriptions, the uncaught report), WScript.Timeout, handlers nested inside each other's Sleep,
// dates and the engine functions.

#include <gtest/gtest.h>

#include <chrono>
#include <sstream>
#include <thread>

#include "platform/process.h"
#include "platform/stream_socket.h"
#include "scripthost/host_runner.h"

namespace {

using scripthost_testing::HostResult;
using scripthost_testing::HostRun;
using scripthost_testing::HostRunner;

class ScriptLanguageTest : public ::testing::Test {
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
            {"XDG_CONFIG_HOME", runner_.folder() / "config"},
            {"TZ", "Asia/Tokyo"}};
  }

  HostResult Run(const std::string& script, std::vector<std::string> options = {}) {
    HostRun run;
    run.script = script;
    run.options = std::move(options);
    run.environment = Environment();
    return runner_.Run(run);
  }

  HostRunner runner_;
};

TEST_F(ScriptLanguageTest, EveryErrorHasTheLanguagesNumberDescriptionAndReport) {
  struct Case {
    const char* statement;
    const char* caught;  // number, description and name as the script sees them
    const char* report;  // the uncaught report of the same statement on line 4, column 3
  };
  const Case cases[] = {
      {"c.NoSuchMember();", "-2146827850|Object doesn't support this property or method|TypeError",
       "Object doesn't support this property or method"},
      {"var v = c.NoSuchProperty;",
       "-2146827850|Object doesn't support this property or method|Error",
       "Object doesn't support this property or method"},
      {"c.NoSuchProperty = 1;", "-2146827850|Object doesn't support this property or method|Error",
       "Object doesn't support this property or method"},
      {"undefinedThing();", "-2146823279|'undefinedThing' is undefined|ReferenceError",
       "'undefinedThing' is undefined"},
      {"var n = null; n.member;", "-2146823281|Object expected|TypeError", "Object expected"},
      {"var o = {}; o.f();", "-2146823286|Function expected|TypeError", "Function expected"},
      // The engine keeps no stack for this one: the report cannot name the line.
      {"function f() { f(); } f();", "-2146828260|Out of stack space|RangeError",
       "(1, 1) Script runtime error: Out of stack space"},
      {"new Array(-1);", "-2146823259|Array length must be a finite positive integer|RangeError",
       "Array length must be a finite positive integer"},
      {"throw new Error();", "0||Error", ""},
      {"throw new Error('mine');", "0|mine|Error", "mine"},
      {"throw new Error(42, 'mine');", "42|mine|Error", "mine"},
      {"throw Error(7);", "7||Error", ""},
      // An error of the control: the automation error's number and text.
      {"c.Connect('127.0.0.1', -5);", "-2146788267|Argument is out of range.|Error",
       "(4, 3) Winsock: Argument is out of range."},
      {"WScript.Sleep(-1);", "-2146828283|Invalid procedure call or argument|Error",
       "Invalid procedure call or argument"},
  };
  for (const Case& c : cases) {
    std::ostringstream script;
    script << "var c = new ActiveXObject('Quorvane.Winsock');\n"
           << "try { " << c.statement << " } catch (e) { WScript.Echo(e.number + '|' + "
           << "e.description + '|' + e.name); }\n"
           << "if (c) {\n"
           << "  " << c.statement << "\n"
           << "}\n";
    HostResult result = Run(script.str());
    EXPECT_EQ(result.out, std::string(c.caught) + "\n") << c.statement;
    EXPECT_EQ(result.exitCode, 1) << c.statement;
    const std::string report = c.report;
    EXPECT_EQ(result.err,
              "script.js" +
                  (report.rfind("(", 0) == 0 ? report : "(4, 3) Script runtime error: " + report) +
                  "\n")
        << c.statement;
  }
}

TEST_F(ScriptLanguageTest, ErrorsOfTheScriptsOwnAndCompilationErrors) {
  HostResult result =
      Run("var e = new Error(42, 'mine');\n"
          "WScript.Echo(e.number, e.description, e.message, e.name, e instanceof Error,\n"
          "             e.constructor === Error);\n"
          "var t = new TypeError('typed');\n"
          "WScript.Echo(t.number & 0xFFFF, t.description, t instanceof Error);\n"
          "try { eval('a b'); } catch (s) { WScript.Echo(s.number & 0xFFFF, s.description); }\n"
          "try { eval('var = 1'); } catch (s) { WScript.Echo(s.number & 0xFFFF, s.description); }\n"
          "try { throw 'text'; } catch (s) { WScript.Echo(typeof s, s); }\n"
          "WScript.Echo((new Error('x').number & 0xFFFF) + ' ' + new Error('x').description);\n");
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out,
            "42 mine mine Error -1 -1\n"
            "13 Type mismatch -1\n"
            "1004 Expected ';'\n"
            "1010 Expected identifier\n"
            "string text\n"
            "0 x\n");
}

TEST_F(ScriptLanguageTest, DatesAndTheEngineFunctionsAsTheLanguageHasThem) {
  HostResult result =
      Run("var d = new Date(2000, 0, 2, 3, 4, 5);\n"
          "WScript.Echo(String(d));\n"
          "WScript.Echo(d.toUTCString());\n"
          "WScript.Echo(d.toDateString() + '|' + d.toTimeString());\n"
          "WScript.Echo(String(new Date(NaN)));\n"
          "WScript.Echo(ScriptEngine(), ScriptEngineMajorVersion(), ScriptEngineMinorVersion(),\n"
          "             ScriptEngineBuildVersion() > 0, typeof CollectGarbage());\n");
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out,
            "Sun Jan 2 03:04:05 UTC+0900 2000\n"
            "Sat, 1 Jan 2000 18:04:05 UTC\n"
            "Sun Jan 2 2000|03:04:05 UTC+0900\n"
            "NaN\n"
            "JScript 5 8 -1 undefined\n");
}

TEST_F(ScriptLanguageTest, WScriptTimeoutEndsTheScriptAndTheSmallerLimitWins) {
  struct Case {
    std::vector<std::string> options;
    const char* script;
    int exitCode;
    const char* out;
    const char* err;
  };
  const Case cases[] = {
      {{},
       "WScript.Timeout = 1; WScript.Echo(WScript.Timeout); WScript.Sleep(60000);",
       2,
       "1\n",
       "quorvane-script: script.js: stopped after the timeout of 1 second\n"},
      {{},
       "WScript.Timeout = 1; for (;;) {}",
       2,
       "",
       "quorvane-script: script.js: stopped after the timeout of 1 second\n"},
      {{"--timeout", "30"},
       "WScript.Timeout = 1; WScript.Sleep(60000);",
       2,
       "",
       "quorvane-script: script.js: stopped after the timeout of 1 second\n"},
      {{"--timeout", "1"},
       "WScript.Timeout = 30; WScript.Sleep(60000);",
       2,
       "",
       "quorvane-script: script.js: stopped after the timeout of 1 second\n"},
      // Set again, the script's limit replaces its earlier one; 0 is none.
      {{},
       "WScript.Timeout = 1; WScript.Timeout = 0; WScript.Sleep(1500); WScript.Echo('on');",
       0,
       "on\n",
       ""},
      {{},
       "try { WScript.Timeout = -1; } catch (e) { WScript.Echo(e.number & 0xFFFF); }",
       0,
       "5\n",
       ""},
  };
  for (const Case& c : cases) {
    const auto start = std::chrono::steady_clock::now();
    HostResult result = Run(c.script, c.options);
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(result.exitCode, c.exitCode) << c.script;
    EXPECT_EQ(result.out, c.out) << c.script;
    EXPECT_EQ(result.err, c.err) << c.script;
    EXPECT_LT(took, std::chrono::seconds(20)) << c.script;
  }
}

TEST_F(ScriptLanguageTest, HandlersSleepingWhileAPeerKeepsSendingNestAtMost32Deep) {
  // The peer sends one byte every few milliseconds; each handler sleeps far longer, so the next
  // events arrive inside its Sleep. The script reads nothing: each DataArrival names all that is
  // waiting, so the totals seen in order must rise to the whole.
  constexpr int kBytes = 200;
  platform::StreamSocket listener;
  ASSERT_TRUE(listener.Open() && listener.Bind(0, true) && listener.Listen(1));
  const int port = listener.LocalPort();
  std::thread peer([&listener] {
    if (listener.WaitFor(platform::StreamSocket::Await::Acceptable, 20000) !=
        platform::StreamSocket::WaitOutcome::Ready) {
      return;
    }
    platform::StreamSocket connection;
    if (!listener.Accept(connection)) return;
    for (int i = 0; i < kBytes; ++i) {
      char byte = static_cast<char>('A' + i % 26);
      (void)connection.Send(&byte, 1);
      std::this_thread::sleep_for(std::chrono::milliseconds(4));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    connection.Close();
  });
  HostResult result =
      Run("var ws = WScript.CreateObject('Quorvane.Winsock', 'ws_');\n"
          "var depth = 0, deepest = 0, last = 0, inOrder = true, closed = false;\n"
          "function ws_DataArrival(bytesTotal) {\n"
          "  ++depth;\n"
          "  if (depth > deepest) deepest = depth;\n"
          "  if (bytesTotal <= last) inOrder = false;\n"
          "  last = bytesTotal;\n"
          "  WScript.Sleep(60);\n"
          "  --depth;\n"
          "}\n"
          "function ws_Close2() { closed = true; }\n"
          "function ws_Error(number, description) { WScript.Echo(number, description); closed = "
          "true; }\n"
          "ws.Connect('127.0.0.1', " +
              std::to_string(port) +
              ");\n"
              "while (!closed) WScript.Sleep(10);\n"
              "WScript.Echo(deepest > 1 && deepest <= 32, inOrder, last, ws.BytesReceived);\n",
          {"--timeout", "60"});
  peer.join();
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out, "-1 -1 200 200\n") << result.err;
}

}  // namespace
