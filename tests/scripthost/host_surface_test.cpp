// The platform host's surface that needs no control: Echo, Arguments, the streams, Quit, Sleep,
// exit codes and the error reports, on the real program.

#include <gtest/gtest.h>

#include <chrono>

#include "scripthost/host_runner.h"

namespace {

using scripthost_testing::HostResult;
using scripthost_testing::HostRun;
using scripthost_testing::HostRunner;

HostResult RunScript(const std::string& script, std::vector<std::string> arguments = {},
                     std::string input = {}) {
  HostRunner runner;
  HostRun run;
  run.script = script;
  run.arguments = std::move(arguments);
  run.input = std::move(input);
  return runner.Run(run);
}

TEST(HostSurface, EchoSeparatesItemsBySpacesAndShowsValuesAsThePlatformDoes) {
  HostResult result = RunScript(
      "WScript.Echo('a', 1, -7, 2.5, true, false, null, undefined, 0.1 + 0.2, 1e21, 'b');\n"
      "WScript.Echo();\n"
      "WScript.Echo('日本語', [1, 2], {});\n"
      "WScript.echo('members without regard to case');\n");
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out,
            "a 1 -7 2.5 -1 0 null  0.3 1E+21 b\n"
            "\n"
            "日本語 1,2 [object Object]\n"
            "members without regard to case\n");
  EXPECT_EQ(result.err, "");
}

TEST(HostSurface, ArgumentsInEveryFormTheScriptsUse) {
  HostResult result = RunScript(
      "var a = WScript.Arguments;\n"
      "WScript.Echo(a.Count(), a.length, a.Item(0), a(1), a.item(3));\n"
      "WScript.Echo(a.Unnamed.Count(), a.Unnamed(0), a.Unnamed.Item(1), a.Unnamed.length);\n"
      "var n = a.Named;\n"
      "WScript.Echo(n.Count(), n('port'), n.Item('PORT'), n.Exists('Verbose'), n('verbose'),\n"
      "             n('on'), n('off'), n.Exists('missing'), n('missing'));\n"
      "var all = [];\n"
      "for (var e = new Enumerator(a); !e.atEnd(); e.moveNext()) all.push(e.item());\n"
      "WScript.Echo(all.join('|'));\n"
      "try { a(7); } catch (e) { WScript.Echo(e.number, e.description); }\n",
      {"COM3", "two words", "/port:5000", "/dev/ttyS0", "/verbose", "/on+", "/off-"});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out,
            "7 7 COM3 two words /dev/ttyS0\n"
            "3 COM3 two words 3\n"
            "4 5000 5000 -1  -1 0 0 \n"
            "COM3|two words|/port:5000|/dev/ttyS0|/verbose|/on+|/off-\n"
            "-2146828279 Subscript out of range\n");
}

TEST(HostSurface, ScriptNamesAndStreams) {
  HostRunner runner;
  HostRun run;
  run.scriptName = "rig.js";
  run.script =
      "WScript.Echo(WScript.ScriptName, WScript.ScriptFullName);\n"
      "WScript.StdOut.Write('no line end ');\n"
      "WScript.StdOut.WriteLine('then one');\n"
      "WScript.StdErr.WriteLine('to the error stream');\n"
      "var first = WScript.StdIn.ReadLine();\n"
      "var second = WScript.StdIn.ReadLine();\n"
      "WScript.Echo('[' + first + ']', '[' + second + ']', WScript.StdIn.AtEndOfStream);\n"
      "WScript.Echo('[' + WScript.StdIn.ReadAll() + ']', WScript.StdIn.AtEndOfStream);\n";
  run.input = "CRLF line\r\nLF line\nrest\nof it";
  HostResult result = runner.Run(run);
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out, "rig.js " + runner.folder().str() +
                            "/rig.js\n"
                            "no line end then one\n"
                            "[CRLF line] [LF line] 0\n"
                            "[rest\nof it] -1\n");
  EXPECT_EQ(result.err, "to the error stream\n");
}

TEST(HostSurface, ExitCodes) {
  struct Case {
    const char* script;
    int exitCode;
  };
  const Case cases[] = {
      {"WScript.Echo('done');", 0},
      {"WScript.Quit();", 0},
      {"WScript.Quit(7); WScript.Echo('not reached');", 7},
      {"try { WScript.Quit(3); } finally { WScript.Echo('not reached'); }", 3},
      {"null.member;", 1},
      {"var = ;", 1},
      {"throw new Error('own');", 1},
  };
  for (const Case& c : cases) {
    HostResult result = RunScript(c.script);
    EXPECT_EQ(result.exitCode, c.exitCode) << c.script << "\n" << result.err;
    EXPECT_EQ(result.out.find("not reached"), std::string::npos) << c.script;
  }
}

TEST(HostSurface, UncaughtErrorsAreReportedWithLineColumnSourceAndDescription) {
  struct Case {
    const char* script;
    const char* report;
  };
  const Case cases[] = {
      {"var x = 1;\n  x.foo.bar();\n", "script.js(2, 3) Script runtime error: Object expected\n"},
      {"\n\n  var = 3;\n", "script.js(3, 7) Script compilation error: Expected identifier\n"},
      {"function f() {\n    throw new Error('from a function');\n}\nf();\n",
       "script.js(2, 5) Script runtime error: from a function\n"},
      {"throw 'plain text';\n",
       "script.js(1, 1) Script runtime error: Exception thrown and not "
       "caught: plain text\n"},
      {"WScript.Echo('first');\nWScript.Arguments.Item(4);\n",
       "script.js(2, 1) Script runtime error: Subscript out of range\n"},
  };
  for (const Case& c : cases) {
    HostResult result = RunScript(c.script);
    EXPECT_EQ(result.exitCode, 1) << c.script;
    EXPECT_EQ(result.err, c.report) << c.script;
  }
}

TEST(HostSurface, UnknownClassIsError429) {
  HostResult result = RunScript(
      "try { new ActiveXObject('No.Such.Class'); } catch (e) {\n"
      "  WScript.Echo(e.number, e.number & 0xFFFF, e.description);\n"
      "}\n"
      "WScript.CreateObject('No.Such.Class', 'x_');\n");
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.out, "-2146827859 429 ActiveX component can't create object\n");
  EXPECT_EQ(result.err.rfind("script.js(4, 1) Script runtime error: ActiveX component can't "
                             "create object\n",
                             0),
            0u)
      << result.err;
}

TEST(HostSurface, BadScriptFilesAndCommandLines) {
  struct Case {
    std::vector<std::string> options;
    std::string script;
    int exitCode;
    std::string errorStart;
  };
  const Case cases[] = {
      {{"--timeout", "1"},
       "/nonexistent/nothing.js",
       1,
       "quorvane-script: cannot read script file \"/nonexistent/nothing.js\": No such file"},
      {{}, "/", 1, "quorvane-script: cannot read script file \"/\": Is a directory"},
      {{"--timeout", "zero"}, "x.js", 2, "quorvane-script: --timeout needs a positive number"},
      {{"--timeout", "0"}, "x.js", 2, "quorvane-script: --timeout needs a positive number"},
      {{"--timeout"}, "", 2, "quorvane-script: --timeout needs a number of seconds"},
      {{"--frobnicate"}, "x.js", 2, "quorvane-script: unknown option --frobnicate"},
  };
  for (const Case& c : cases) {
    HostRunner runner;
    HostRun run;
    run.options = c.options;
    run.scriptName = c.script;
    run.writeScript = false;
    HostResult result = runner.Run(run);
    EXPECT_EQ(result.exitCode, c.exitCode) << c.script;
    EXPECT_EQ(result.err.rfind(c.errorStart, 0), 0u) << result.err;
  }
}

TEST(HostSurface, TimeoutStopsALoopASleepAndABlockedRead) {
  const char* scripts[] = {
      "for (;;) {}",
      "try { for (;;) {} } catch (e) { WScript.Echo('caught'); } finally { WScript.Echo('fin'); }",
      "WScript.Sleep(60000);",
      "WScript.StdIn.ReadLine();",
  };
  for (const char* script : scripts) {
    HostRunner runner;
    HostRun run;
    run.script = script;
    run.options = {"--timeout", "0.3"};
    run.inputStaysOpen = true;
    auto start = std::chrono::steady_clock::now();
    HostResult result = runner.Run(run);
    auto took = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(result.exitCode, 2) << script;
    EXPECT_EQ(result.out, "") << script;
    EXPECT_EQ(result.err, "quorvane-script: script.js: stopped after the timeout of 0.3 seconds\n")
        << script;
    EXPECT_LT(took, std::chrono::seconds(5)) << script;
  }
}

TEST(HostSurface, SleepWaitsAboutAsLongAsAsked) {
  auto start = std::chrono::steady_clock::now();
  HostResult result = RunScript("WScript.Sleep(300); WScript.Sleep(0); WScript.Echo('woke');");
  auto took = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out, "woke\n");
  EXPECT_GE(took, std::chrono::milliseconds(300));
  HostResult negative =
      RunScript("try { WScript.Sleep(-1); } catch (e) { WScript.Echo(e.number & 0xFFFF); }");
  EXPECT_EQ(negative.out, "5\n");
}

}  // namespace
