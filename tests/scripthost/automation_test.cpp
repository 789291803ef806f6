// Objects driven through the class registry, on the real programs: quorvane-register puts a test
// module into a registry of the test's own, and quorvane-script creates, calls and listens to
// its class as a script of the original platform's host does.

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/fault_drills.h"
#include "platform/process.h"
#include "scripthost/host_runner.h"

namespace {

using scripthost_testing::HostResult;
using scripthost_testing::HostRun;
using scripthost_testing::HostRunner;

struct ProgramResult {
  int exitCode = -1;
  std::string out;
};

class AutomationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ProgramResult registered = Register({TK_TEST_MODULE});
    ASSERT_EQ(registered.exitCode, 0) << registered.out;
  }

  std::vector<std::pair<std::string, std::string>> Environment() const {
    return {{"XDG_DATA_HOME", runner_.folder() / "data"}};
  }

  ProgramResult Register(std::vector<std::string> arguments) {
    std::vector<std::string> words{"-c", "exec \"$@\" 2>&1", "sh", TK_SCRIPT_REGISTER};
    words.insert(words.end(), arguments.begin(), arguments.end());
    platform::ChildProcess child =
        platform::ChildProcess::Start({"/bin/sh", words, "", Environment()});
    ProgramResult result;
    result.out = child.ReadRest();
    result.exitCode = child.Wait();
    return result;
  }

  HostResult Run(const std::string& script) {
    HostRun run;
    run.script = script;
    run.environment = Environment();
    return runner_.Run(run);
  }

  HostRunner runner_;
};

TEST_F(AutomationTest, RegisterAndUnregisterTheModule) {
  const std::string registry = runner_.folder() / "data/commtestkit/classes.reg";
  ProgramResult again = Register({TK_TEST_MODULE});
  EXPECT_EQ(again.exitCode, 0);
  EXPECT_EQ(again.out, std::string("registered ") + TK_TEST_MODULE + " in " + registry + "\n");
  EXPECT_EQ(Run("new ActiveXObject('ScriptHostTest.Widget'); WScript.Echo('made');").out, "made\n");

  ProgramResult removed = Register({"-u", TK_TEST_MODULE});
  EXPECT_EQ(removed.exitCode, 0);
  EXPECT_EQ(removed.out,
            std::string("unregistered ") + TK_TEST_MODULE + " from " + registry + "\n");
  HostResult gone = Run("new ActiveXObject('ScriptHostTest.Widget');");
  EXPECT_EQ(gone.exitCode, 1);
  EXPECT_EQ(
      gone.err.rfind("script.js(1, 1) Script runtime error: ActiveX component can't create "
                     "object\nquorvane-script: \"ScriptHostTest.Widget\" could not be created",
                     0),
      0u)
      << gone.err;

  ProgramResult missing = Register({runner_.folder() / "nothing.so"});
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_NE(missing.out.find("no such library file"), std::string::npos) << missing.out;
  ProgramResult notALibrary = Register({registry});
  EXPECT_EQ(notALibrary.exitCode, 1);
  EXPECT_NE(notALibrary.out.find("registering " + registry + " failed: "), std::string::npos)
      << notALibrary.out;
  EXPECT_EQ(Register({}).exitCode, 2);
}

TEST_F(AutomationTest, MembersByNameAndTheValueMapping) {
  HostResult result =
      Run("var w = new ActiveXObject('ScriptHostTest.Widget');\n"
          "WScript.Echo(w.Describe(5, 2.5, 'x'));\n"
          "WScript.Echo(w.describe(true, null));\n"
          "WScript.Echo(w.DESCRIBE(undefined));\n"
          "WScript.Echo(w.Describe(2147483648, -0.5, w.Bytes(2)));\n"
          "WScript.Echo(w.Describe(w, -2147483648));\n"
          "w.VALUE = 42;\n"
          "WScript.Echo(w.value, w.Name, w.Item(3), typeof w.Self.Describe, w.Self.Value);\n"
          "WScript.Echo('Value' in w, 'Nothing' in w, String(w));\n");
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out,
            "I4:5,R8:2.5,String:x\n"
            "Bool:True,Null,Missing\n"
            "Empty:,Missing,Missing\n"
            "R8:2147483648,R8:-0.5,Array\n"
            "Object,I4:-2147483648,Missing\n"
            "42 new 30 function 42\n"
            "-1 0 [object]\n");
}

TEST_F(AutomationTest, ArraysStayOpaqueAndReadThroughVBArray) {
  HostResult result =
      Run("var w = new ActiveXObject('ScriptHostTest.Widget');\n"
          "var empty = w.Bytes(0), filled = w.Bytes(3);\n"
          "var a = new VBArray(empty);\n"
          "WScript.Echo(a.lbound(), a.ubound(), a.toArray().length, a.dimensions());\n"
          "var b = VBArray(filled);\n"
          "WScript.Echo(b.toArray().join(','), b.getItem(2), b.lbound(1), b.ubound(1));\n"
          "try { b.getItem(3); } catch (e) { WScript.Echo('getItem', e.number & 0xFFFF); }\n"
          "try { b.ubound(2); } catch (e) { WScript.Echo('ubound', e.number & 0xFFFF); }\n"
          "WScript.Echo(w.Length(filled), w.Length(empty), typeof filled);\n"
          "var r = new VBArray(w.Record()).toArray();\n"
          "WScript.Echo(r.length, r[0], r[1], r[5], new VBArray(r[9]).toArray().join(' '));\n"
          "try { new VBArray([1, 2]); } catch (e) { WScript.Echo(e.description); }\n"
          "try { WScript.Echo(filled); } catch (e) { WScript.Echo('echo', e.number & 0xFFFF); }\n");
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out,
            "0 -1 0 1\n"
            "0,85,170 170 0 2\n"
            "getItem 9\n"
            "ubound 9\n"
            "3 0 object\n"
            "10 DataArrival 2  10 255\n"
            "VBArray expected\n"
            "echo 13\n");
}

TEST_F(AutomationTest, ManyShortLivedArraysAndObjectsAreCollectedSafely) {
  // Enough values for the engine to collect many times while the script runs.
  HostResult result =
      Run("var w = new ActiveXObject('ScriptHostTest.Widget');\n"
          "var sum = 0;\n"
          "for (var i = 0; i < 20000; ++i) sum += new VBArray(w.Bytes(2)).toArray()[1];\n"
          "var kept = w.Bytes(3);\n"
          "for (var k = 0; k < 20000; ++k) sum += new VBArray(kept).ubound();\n"
          "for (var j = 0; j < 300; ++j) new ActiveXObject('ScriptHostTest.Widget').Value = j;\n"
          "WScript.Echo(sum);\n");
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out, "1740000\n");
}

TEST_F(AutomationTest, AutomationErrorsAreScriptExceptions) {
  HostResult result =
      Run("var w = new ActiveXObject('ScriptHostTest.Widget');\n"
          "try { w.Fail(380); } catch (e) {\n"
          "  WScript.Echo(e.number, e.number & 0xFFFF, e.source, e.description === e.message);\n"
          "}\n"
          "try { w.NoSuchMember; } catch (e) { WScript.Echo(e.number & 0xFFFF); }\n"
          "try { w.NoSuchMember = 1; } catch (e) { WScript.Echo(e.number & 0xFFFF); }\n"
          "try { w.LastCancel = true; } catch (e) { WScript.Echo(e.number & 0xFFFF); }\n"
          "try { w.Value = 'not a number'; } catch (e) { WScript.Echo(e.number & 0xFFFF); }\n"
          "try { w.Describe({}); } catch (e) { WScript.Echo(e.number & 0xFFFF); }\n"
          "\n"
          "  w.Fail(5);\n"
          "WScript.Echo('not reached');\n");
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.out,
            "-2146827908 380 ScriptHostTest.Widget -1\n"
            "438\n"
            "438\n"
            "383\n"
            "13\n"
            "13\n");
  EXPECT_EQ(result.err.rfind(
                "script.js(11, 3) ScriptHostTest.Widget: Invalid procedure call or argument\n", 0),
            0u)
      << result.err;
}

TEST_F(AutomationTest, EventsAreDeliveredWhileTheScriptSleeps) {
  HostResult result =
      Run("var pings = [];\n"
          "function w_Ping(count) { pings.push(count); }\n"
          "var w = WScript.CreateObject('ScriptHostTest.Widget', 'w_');\n"
          "w.Arm(1);\n"
          "for (var i = 0; i < 100000; ++i) {}\n"
          "WScript.Echo('busy', pings.length);\n"
          "WScript.Sleep(100);\n"
          "WScript.Echo('slept', pings.join(','));\n"
          "w.FireNow();\n"
          "WScript.Echo('raised in a call', pings.join(','));\n"
          "WScript.DisconnectObject(w);\n"
          "w.Arm(1);\n"
          "WScript.Sleep(100);\n"
          "WScript.Echo('disconnected', pings.join(','));\n"
          "function OTHER_ping(count) { WScript.Echo('any spelling', count); }\n"
          "WScript.ConnectObject(w, 'other_');\n"
          "w.Arm(1);\n"
          "WScript.Sleep(100);\n");
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out,
            "busy 0\n"
            "slept 1\n"
            "raised in a call 1,-1\n"
            "disconnected 1,-1\n"
            "any spelling 3\n");
}

TEST_F(AutomationTest, ByReferenceEventArgumentsAreWrittenBack) {
  HostResult result =
      Run("function w_Error(Number, Description, CancelDisplay) {\n"
          "  WScript.Echo('error', Number, Description, CancelDisplay);\n"
          "  Description = 'changed';\n"
          "  CancelDisplay = true;\n"
          "}\n"
          "function v_Error() { arguments[1] = 'through arguments'; }\n"
          "var w = WScript.CreateObject('ScriptHostTest.Widget', 'w_');\n"
          "var v = WScript.CreateObject('ScriptHostTest.Widget', 'v_');\n"
          "w.Arm(2); v.Arm(2);\n"
          "WScript.Sleep(100);\n"
          "WScript.Echo(w.LastDescription, w.LastCancel);\n"
          "WScript.Echo(v.LastDescription, v.LastCancel);\n");
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out,
            "error 10053 Connection is aborted 0\n"
            "changed -1\n"
            "through arguments 0\n");
}

// A handler's value of another type goes back in the type of the raiser's variable: CancelDisplay
// is a Boolean, so 1 writes back True, and a number written to Description comes back as text.
TEST_F(AutomationTest, ByReferenceWriteBacksOfAnotherTypeAreConverted) {
  HostResult result =
      Run("function w_Error(Number, Description, CancelDisplay) {\n"
          "  Description = 42;\n"
          "  CancelDisplay = 1;\n"
          "}\n"
          "var w = WScript.CreateObject('ScriptHostTest.Widget', 'w_');\n"
          "w.Arm(2);\n"
          "WScript.Sleep(100);\n"
          "WScript.Echo(w.LastDescription, w.LastCancel);\n");
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out, "42 -1\n");
}

TEST_F(AutomationTest, AHandlersUncaughtErrorEndsTheScript) {
  HostResult result =
      Run("function w_Ping(count) {\n"
          "  WScript.Echo('in handler');\n"
          "    null.member;\n"
          "}\n"
          "var w = WScript.CreateObject('ScriptHostTest.Widget', 'w_');\n"
          "w.Arm(1);\n"
          "WScript.Sleep(5000);\n"
          "WScript.Echo('not reached');\n");
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.out, "in handler\n");
  EXPECT_EQ(result.err.rfind("script.js(3, 5) Script runtime error: ", 0), 0u) << result.err;

  HostResult quit =
      Run("function w_Ping(count) { WScript.Quit(4); }\n"
          "var w = WScript.CreateObject('ScriptHostTest.Widget', 'w_');\n"
          "w.Arm(1);\n"
          "WScript.Sleep(5000);\n"
          "WScript.Echo('not reached');\n");
  EXPECT_EQ(quit.exitCode, 4) << quit.err;
  EXPECT_EQ(quit.out, "");
}

TEST_F(AutomationTest, HostObjectLoadsAndSavesProperties) {
  HostResult result =
      Run("var w = Host.CreateObject('ScriptHostTest.Widget', '', {value: 7, NAME: 'rig'});\n"
          "WScript.Echo(w.Value, w.Name);\n"
          "w.Value = 8;\n"
          "WScript.Echo(JSON.stringify(Host.SaveProperties(w)));\n"
          "var d = Host.CreateObject('ScriptHostTest.Widget');\n"
          "WScript.Echo(d.Value, d.Name);\n"
          "try { Host.SaveProperties({}); } catch (e) { WScript.Echo(e.number & 0xFFFF); }\n");
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out,
            "7 rig\n"
            "{\"Value\":8,\"Name\":\"rig\"}\n"
            "0 loaded\n"
            "424\n");
}

TEST_F(AutomationTest, AFifoAsTheRegistryOrAsTheLibraryFailsAtOnceWithTheCause) {
  // Neither is ever opened in a way that waits for a writer.
  const std::string registry = runner_.folder() / "data/commtestkit/classes.reg";
  const std::string saved = testing_support::ReadWholeFile(registry);
  const std::string fifo = runner_.folder() / "library.so";
  ASSERT_TRUE(platform::CreateFifo(fifo));
  std::string redirected = saved;
  for (std::size_t at = redirected.find(TK_TEST_MODULE); at != std::string::npos;
       at = redirected.find(TK_TEST_MODULE, at)) {
    redirected.replace(at, std::string(TK_TEST_MODULE).size(), fifo);
  }
  testing_support::WriteWholeFile(registry, redirected);
  HostResult library = Run("new ActiveXObject('ScriptHostTest.Widget');");
  EXPECT_EQ(library.exitCode, 1);
  EXPECT_EQ(library.err,
            "script.js(1, 1) Script runtime error: ActiveX component can't create object\n"
            "quorvane-script: \"ScriptHostTest.Widget\" could not be created (" +
                fifo +
                ": No such device or address); is the library registered with "
                "quorvane-register?\n");

  std::filesystem::remove(registry);
  ASSERT_TRUE(platform::CreateFifo(registry));
  HostResult fifoRegistry =
      Run("try { new ActiveXObject('ScriptHostTest.Widget'); } catch (e) {\n"
          "  WScript.Echo(e.number & 0xFFFF, e.description);\n"
          "}\n"
          "new ActiveXObject('ScriptHostTest.Widget');\n");
  EXPECT_EQ(fifoRegistry.exitCode, 1);
  EXPECT_EQ(fifoRegistry.out, "429 ActiveX component can't create object\n");
  EXPECT_NE(fifoRegistry.err.find("(the class registry cannot be read: " + registry +
                                  ": No such device or address)"),
            std::string::npos)
      << fifoRegistry.err;
}

}  // namespace
