// The shell and network objects against real processes: Run and Exec with their exit codes and
// output, the environment, the current folder, the special folders and Popup without a terminal.

#include <gmock/gmock.h>

#include <chrono>
#include <thread>

#include "host_object_calls.h"

namespace hostobjects_testing {
namespace {

class ShellTest : public RigFolder {
 protected:
  void SetUp() override {
    RigFolder::SetUp();
    shell_ = Create(u"WScript.Shell");
  }
  // Waits (up to ten seconds) for an Exec to end.
  static void WaitForEnd(Dispatch& exec) {
    for (int i = 0; i < 1000 && Text(Get(exec, u"Status")) == "0"; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  }
  Ref<Dispatch> shell_;
};

TEST_F(ShellTest, RunWaitsAndGivesTheExitCode) {
  struct Case {
    std::u16string command;
    bool wait;
    std::string code;
  };
  const std::vector<Case> cases = {
      {u"exit 3", true, "3"},       {u"true", true, "0"},
      {u"kill -9 $$", true, "137"}, {u"no-such-program-here 2>/dev/null", true, "127"},
      {u"sleep 5", false, "0"},
  };
  for (const Case& c : cases) {
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Text(Call(*shell_, u"Run", {S(c.command), I(0), B(c.wait)})), c.code)
        << automation::Utf8FromUtf16(c.command);
    if (!c.wait) {
      EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
    }
  }
  ASSERT_TRUE(Call(*shell_, u"Run", {S(u"printf 'x y' > out.txt"), I(1), B(true)}));
  EXPECT_EQ(Read("out.txt"), "x y");
}

TEST_F(ShellTest, ExecGivesOutputErrorAndExitCode) {
  auto exec = ObjectOf(Call(*shell_, u"Exec", {S(u"echo out; echo 日本 >&2; exit 4")}));
  ASSERT_TRUE(exec);
  EXPECT_GT(std::stoi(Text(Get(*exec, u"ProcessID"))), 0);
  auto out = ObjectOf(Get(*exec, u"StdOut"));
  auto err = ObjectOf(Get(*exec, u"StdErr"));
  EXPECT_EQ(Text(Call(*out, u"ReadLine")), "out");
  EXPECT_EQ(Text(Get(*out, u"AtEndOfStream")), "True");
  // The process writes UTF-8 here, read as the console's code page: the bytes come through.
  EXPECT_FALSE(Text(Call(*err, u"ReadAll")).empty());
  WaitForEnd(*exec);
  EXPECT_EQ(Text(Get(*exec, u"Status")), "1");
  EXPECT_EQ(Text(Get(*exec, u"ExitCode")), "4");
}

TEST_F(ShellTest, ExecTakesInputAndCanBeTerminated) {
  auto cat = ObjectOf(Call(*shell_, u"Exec", {S(u"cat")}));
  auto in = ObjectOf(Get(*cat, u"StdIn"));
  ASSERT_TRUE(Call(*in, u"WriteLine", {S(u"ping")}));
  ASSERT_TRUE(Call(*in, u"Close"));
  auto out = ObjectOf(Get(*cat, u"StdOut"));
  EXPECT_EQ(Text(Call(*out, u"ReadAll")), "ping\r\n");
  WaitForEnd(*cat);
  EXPECT_EQ(Text(Get(*cat, u"ExitCode")), "0");

  auto sleeper = ObjectOf(Call(*shell_, u"Exec", {S(u"sleep 30")}));
  EXPECT_EQ(Text(Get(*sleeper, u"Status")), "0");
  EXPECT_EQ(Text(Get(*sleeper, u"ExitCode")), "0");
  ASSERT_TRUE(Call(*sleeper, u"Terminate"));
  EXPECT_EQ(Text(Get(*sleeper, u"Status")), "1");
  EXPECT_EQ(Text(Get(*sleeper, u"ExitCode")), "137");
}

TEST_F(ShellTest, EnvironmentAndExpansion) {
  auto process = ObjectOf(Get(*shell_, u"Environment", {S(u"Process")}));
  ASSERT_TRUE(process);
  ASSERT_TRUE(Put(*process, u"Item", {S(u"TK_RIG_VALUE"), S(u"42")}));
  EXPECT_EQ(Text(Get(*process, u"Item", {S(u"TK_RIG_VALUE")})), "42");
  EXPECT_EQ(Text(Get(*process, u"Item", {S(u"tk_rig_value")})), "42");
  EXPECT_EQ(
      Text(Call(*shell_, u"ExpandEnvironmentStrings", {S(u"a%TK_RIG_VALUE%b %NOT_SET_X% 100%")})),
      "a42b %NOT_SET_X% 100%");
  // Children see it, and a Run command line expands it too.
  ASSERT_TRUE(
      Call(*shell_, u"Run", {S(u"echo $TK_RIG_VALUE-%TK_RIG_VALUE% > env.txt"), I(0), B(true)}));
  EXPECT_EQ(Read("env.txt"), "42-42\n");
  auto system = ObjectOf(Get(*shell_, u"Environment"));
  EXPECT_EQ(Text(Get(*system, u"Item", {S(u"TK_RIG_VALUE")})), "42");
  ASSERT_TRUE(Call(*process, u"Remove", {S(u"TK_RIG_VALUE")}));
  EXPECT_EQ(Text(Get(*process, u"Item", {S(u"TK_RIG_VALUE")})), "");
  EXPECT_EQ(ErrorNumber(Get(*shell_, u"Environment", {S(u"OTHER")})), 5);
}

TEST_F(ShellTest, CurrentDirectorySpecialFoldersNetworkAndPopup) {
  EXPECT_EQ(Text(Get(*shell_, u"CurrentDirectory")), folder_.str());
  ASSERT_TRUE(Put(*shell_, u"CurrentDirectory", {S(u"C:\\")}));
  auto fso = Create(u"Scripting.FileSystemObject");
  Write("drive/here.txt", "");
  EXPECT_EQ(Text(Call(*fso, u"FileExists", {S(u"here.txt")})), "True");
  EXPECT_EQ(ErrorNumber(Put(*shell_, u"CurrentDirectory", {S(u"C:\\missing")})), 76);

  ASSERT_TRUE(platform::SetEnvironmentValue("HOME", folder_.str()));
  std::filesystem::create_directories(folder_.path() / "config");
  Write("config/user-dirs.dirs", "XDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n");
  EXPECT_EQ(Text(Get(*shell_, u"SpecialFolders", {S(u"Desktop")})), folder_ / "Schreibtisch");
  EXPECT_EQ(Text(Get(*shell_, u"SpecialFolders", {S(u"mydocuments")})), folder_ / "Documents");
  EXPECT_EQ(Text(Get(*shell_, u"SpecialFolders", {S(u"Fonts")})), "");

  auto network = Create(u"WScript.Network");
  EXPECT_FALSE(Text(Get(*network, u"ComputerName")).empty());
  EXPECT_EQ(Text(Get(*network, u"UserDomain")), Text(Get(*network, u"ComputerName")));
  EXPECT_FALSE(Text(Get(*network, u"UserName")).empty());

  // Under the test runner standard input is no terminal: nobody can answer.
  if (!platform::InputIsTerminal()) {
    EXPECT_EQ(Text(Call(*shell_, u"Popup", {S(u"Plug the cable in"), I(0), S(u"Rig"), I(1)})),
              "-1");
  }
}

TEST(HostObjectsTest, ProgIdsAreFoundWithoutRegardToCaseAndOthersAreNot) {
  for (auto progId : {u"scripting.filesystemobject", u"SCRIPTING.DICTIONARY", u"wscript.shell",
                      u"WScript.Network", u"adodb.stream"}) {
    auto object = hostobjects::CreateHostObject(progId);
    ASSERT_TRUE(object) << automation::Utf8FromUtf16(progId);
    // Every member of the type information is found by its name, with the same DISPID.
    const automation::InterfaceInfo* info = object->TypeInfo();
    ASSERT_NE(info, nullptr);
    for (const automation::MemberInfo& member : info->members) {
      auto id = object->GetIdOfName(member.name);
      ASSERT_TRUE(id) << automation::Utf8FromUtf16(member.name);
      EXPECT_EQ(*id, member.dispId);
    }
  }
  EXPECT_FALSE(hostobjects::CreateHostObject(u"Quorvane.Winsock"));
  EXPECT_FALSE(hostobjects::CreateHostObject(u"Scripting.Encoder"));
}

}  // namespace
}  // namespace hostobjects_testing
