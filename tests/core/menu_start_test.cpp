// A start from the desktop's menu: the option that marks it, the menu folder under the home
// folder, and copies started from the menu numbered side by side there.

#include "core/menu_start.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/last_error.h"
#include "platform/process.h"
#include "support/temp_dir.h"

namespace {

using testing_support::TempDir;

constexpr int kOutputTimeoutMs = 20000;

TEST(MenuStart, OnlyALeadingOptionMarksAMenuStartAndItNamesNoInstance) {
  struct Case {
    std::vector<std::string> words;
    bool menu;
    std::vector<std::string> left;
    std::string instanceId;
  };
  const Case cases[] = {
      {{}, false, {}, ""},
      {{"--menu"}, true, {}, ""},
      {{"--menu", "A"}, true, {"A"}, "A"},
      {{"--menu", "--menu"}, true, {"--menu"}, "--menu"},
      {{"A", "--menu"}, false, {"A", "--menu"}, "A --menu"},
      {{"--menus"}, false, {"--menus"}, "--menus"},
      {{"-menu"}, false, {"-menu"}, "-menu"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> words = c.words;
    std::string label = ::testing::PrintToString(c.words);
    EXPECT_EQ(core::TakeMenuStartOption(words), c.menu) << label;
    EXPECT_EQ(words, c.left) << label;
    EXPECT_EQ(core::InstanceIdFromArguments(words), c.instanceId) << label;
  }
}

// Puts the working directory back after a test that changes it.
class KeepWorkingDirectory : public testing::Test {
 protected:
  void TearDown() override { platform::ChangeDirectory(saved_); }
  std::string saved_ = std::filesystem::current_path().string();
};

using EnterMenuFolder = KeepWorkingDirectory;

TEST_F(EnterMenuFolder, MakesTheFolderOnTheFirstStartAndEntersItEveryTime) {
  TempDir home;
  EXPECT_EQ(core::MenuFolder(core::kTcpIpTool, home.str()), home / "CommTestKit/Tarnwick");
  for (const core::ToolIdentity* tool : {&core::kTcpIpTool, &core::kSerialTool}) {
    for (int start = 0; start < 2; ++start) {
      ASSERT_TRUE(core::EnterMenuFolder(*tool, home.str())) << tool->programName;
      EXPECT_EQ(platform::CurrentDirectory(),
                home / (std::string("CommTestKit/") + tool->programName));
    }
  }
  // Nothing else is made in the home folder.
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(home.path() / "CommTestKit")) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"Pellamar", "Tarnwick"}));
}

TEST_F(EnterMenuFolder, AFolderThatCannotBeUsedIsAFailureWithItsError) {
  TempDir home;
  const std::string before = platform::CurrentDirectory().value_or("");
  // A file where the folder above the menu folders belongs.
  testing_support::WriteWholeFile(home / "CommTestKit", "not a folder");
  EXPECT_FALSE(core::EnterMenuFolder(core::kTcpIpTool, home.str()));
  EXPECT_EQ(platform::LastError(), ENOTDIR);
  // No home folder known at all.
  EXPECT_FALSE(core::EnterMenuFolder(core::kTcpIpTool, ""));
  EXPECT_EQ(platform::LastError(), ENOENT);
  // A failed start stays where it was.
  EXPECT_EQ(platform::CurrentDirectory().value_or(""), before);

  core::StartOptions options;
  options.arguments = {"--menu"};
  EXPECT_FALSE(core::ApplyMenuStart(core::kTcpIpTool, options, home.str()));
  // Without the option nothing is tried, whatever the home folder holds.
  core::StartOptions terminal;
  terminal.arguments = {"A"};
  EXPECT_TRUE(core::ApplyMenuStart(core::kTcpIpTool, terminal, home.str()));
  EXPECT_EQ(terminal.arguments, std::vector<std::string>{"A"});
  EXPECT_EQ(platform::CurrentDirectory().value_or(""), before);
}

// A copy of a tool's start run as a real process, as the menu or a terminal starts it; it holds
// its instance until the object goes away.
struct Copy {
  std::unique_ptr<platform::ChildProcess> child;
  std::string id, settingsFile, dataFolder, logFolder, marker;
};

std::optional<Copy> StartCopy(const std::string& home, const std::string& markers,
                              const std::string& workingDirectory, std::vector<std::string> words,
                              const std::string& tool = "tcpip") {
  std::vector<std::string> arguments{tool, "hold"};
  arguments.insert(arguments.end(), words.begin(), words.end());
  Copy copy;
  copy.child = std::make_unique<platform::ChildProcess>(
      platform::ChildProcess::Start({TK_INSTANCE_HELPER,
                                     arguments,
                                     workingDirectory,
                                     {{"HOME", home}, {"XDG_RUNTIME_DIR", markers}}}));
  if (!copy.child->IsRunning()) return std::nullopt;
  for (std::string* field :
       {&copy.id, &copy.settingsFile, &copy.dataFolder, &copy.logFolder, &copy.marker}) {
    std::optional<std::string> line = copy.child->ReadLine(kOutputTimeoutMs);
    if (!line) return std::nullopt;
    *field = *line;
  }
  return copy;
}

TEST(MenuStart, CopiesFromTheMenuRunSideBySideInTheMenuFolder) {
  TempDir home;
  TempDir markers;
  TempDir terminal;
  const std::string folder = home / "CommTestKit/Tarnwick";

  auto first = StartCopy(home.str(), markers.str(), terminal.str(), {"--menu"});
  auto second = StartCopy(home.str(), markers.str(), terminal.str(), {"--menu"});
  ASSERT_TRUE(first && second);
  EXPECT_EQ(first->id, "1");
  EXPECT_EQ(second->id, "2");
  EXPECT_EQ(first->settingsFile, folder + "/Brisolt1.ini");
  EXPECT_EQ(second->settingsFile, folder + "/Brisolt2.ini");
  EXPECT_EQ(second->dataFolder, folder + "/Dat2");
  EXPECT_EQ(second->logFolder, folder + "/Log2");
  EXPECT_EQ(second->marker, "held");
  EXPECT_TRUE(std::filesystem::is_directory(folder + "/Dat1"));
  EXPECT_TRUE(std::filesystem::is_directory(folder + "/Log2"));

  // A copy from a terminal keeps its working directory and takes the next number.
  auto third = StartCopy(home.str(), markers.str(), terminal.str(), {});
  ASSERT_TRUE(third);
  EXPECT_EQ(third->id, "3");
  EXPECT_EQ(third->dataFolder, terminal / "Dat3");
  // The terminal's folder got only the terminal copy's folders.
  EXPECT_FALSE(std::filesystem::exists(terminal / "Dat1"));

  // A menu start with an identifier, and the other tool in its own folder.
  auto named = StartCopy(home.str(), markers.str(), terminal.str(), {"--menu", "rig", "A"});
  ASSERT_TRUE(named);
  EXPECT_EQ(named->id, "rig A");
  EXPECT_EQ(named->settingsFile, folder + "/Brisolt" + "rig A.ini");
  auto serial = StartCopy(home.str(), markers.str(), terminal.str(), {"--menu"}, "serial");
  ASSERT_TRUE(serial);
  EXPECT_EQ(serial->id, "1");
  EXPECT_EQ(serial->settingsFile, home / "CommTestKit/Pellamar/Pellamar1.ini");
}

TEST(MenuStart, AMenuFolderThatCannotBeMadeStopsTheStartWithExitCodeOne) {
  TempDir home;
  TempDir markers;
  testing_support::WriteWholeFile(home / "CommTestKit", "not a folder");
  auto copy = StartCopy(home.str(), markers.str(), markers.str(), {"--menu"});
  EXPECT_FALSE(copy);
  platform::ChildProcess child = platform::ChildProcess::Start(
      {TK_INSTANCE_HELPER, {"tcpip", "exit", "--menu"}, markers.str(), {{"HOME", home.str()}}});
  ASSERT_TRUE(child.IsRunning());
  EXPECT_EQ(child.Wait(), 1);
  // No marker was taken and nothing was made beside the marker folder's own content.
  EXPECT_TRUE(std::filesystem::is_empty(markers.path()));
}

}  // namespace
