#include "core/instance.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/cp932.h"
#include "platform/instance_marker.h"
#include "platform/process.h"
#include "support/temp_dir.h"

namespace {

using platform::Cp932;
using testing_support::TempDir;

constexpr int kOutputTimeoutMs = 20000;

TEST(InstanceId, FromTheCommandLine) {
  struct IdCase {
    std::vector<std::string> arguments;
    std::string expected;
  };
  std::string longAscii(300, 'x');
  std::string longJapanese;
  for (int i = 0; i < 200; ++i) longJapanese += "あ";
  const IdCase cases[] = {
      {{}, ""},
      {{" A "}, "A"},
      {{"A", "B"}, "A B"},
      {{"", "A", ""}, "A"},
      {{"  ", "\t"}, ""},
      {{"\tX\n"}, "X"},
      {{"テスト"}, Cp932("テスト")},
      {{"あ　"}, Cp932("あ　")},  // the full-width space is a character, not a blank
      {{"😀"}, "?"},               // what CP932 cannot hold
      {{longAscii}, std::string(243, 'x')},
      // 121 double-byte characters fit 243 bytes; the 122nd would need 244.
      {{longJapanese}, Cp932(longJapanese).substr(0, 242)},
  };
  for (const IdCase& c : cases) {
    SCOPED_TRACE(c.expected);
    EXPECT_EQ(core::InstanceIdFromArguments(c.arguments), c.expected);
  }
}

TEST(InstanceId, CutKeepsWholeCharacters) {
  std::string text = "a" + Cp932("あい");  // 1 + 2 + 2 bytes
  EXPECT_EQ(core::CutAtCharacterBoundary(text, 5), text);
  EXPECT_EQ(core::CutAtCharacterBoundary(text, 4), "a" + Cp932("あ"));
  EXPECT_EQ(core::CutAtCharacterBoundary(text, 2), "a");
  EXPECT_EQ(core::CutAtCharacterBoundary(text, 0), "");
}

TEST(StartInstance, NumbersAndPathsInProcess) {
  TempDir base;
  TempDir markers;
  core::StartOptions options{{}, markers.str(), base.str()};
  auto first = core::StartInstance(core::kTcpIpTool, options);
  ASSERT_TRUE(first);
  EXPECT_EQ(first->instanceId, "1");
  EXPECT_TRUE(first->marker.IsHeld());
  EXPECT_EQ(first->baseFolder, base.str());
  EXPECT_EQ(first->settingsFile, base / "Brisolt1.ini");
  EXPECT_EQ(first->dataFolder, base / "Dat1");
  EXPECT_EQ(first->logFolder, base / "Log1");
  EXPECT_TRUE(std::filesystem::is_directory(base / "Dat1"));
  EXPECT_TRUE(std::filesystem::is_directory(base / "Log1"));
  EXPECT_FALSE(std::filesystem::exists(base / "Brisolt1.ini"));

  auto second = core::StartInstance(core::kTcpIpTool, options);
  ASSERT_TRUE(second);
  EXPECT_EQ(second->instanceId, "2");

  // The other tool numbers its own instances; folders that exist already are no failure.
  auto serial = core::StartInstance(core::kSerialTool, options);
  ASSERT_TRUE(serial);
  EXPECT_EQ(serial->instanceId, "1");
  EXPECT_EQ(serial->settingsFile, base / "Pellamar1.ini");
  EXPECT_EQ(serial->dataFolder, base / "Dat1");

  first.reset();
  auto third = core::StartInstance(core::kTcpIpTool, options);
  ASSERT_TRUE(third);
  EXPECT_EQ(third->instanceId, "1");
}

// An identifier holding "/" (with "..") names files inside the working folder only: "/" is
// escaped in the three paths; the identifier itself stays as given.
TEST(StartInstance, AnIdentifierWithSlashesStaysInTheWorkingFolder) {
  TempDir base;
  TempDir markers;
  std::filesystem::create_directories(base / "work");
  const std::string work = base / "work";
  core::StartOptions options{{"1/../../escape"}, markers.str(), work};
  auto instance = core::StartInstance(core::kTcpIpTool, options);
  ASSERT_TRUE(instance);
  EXPECT_EQ(instance->instanceId, "1/../../escape");
  EXPECT_EQ(instance->settingsFile, work + "/Brisolt1%2F..%2F..%2Fescape.ini");
  EXPECT_EQ(instance->dataFolder, work + "/Dat1%2F..%2F..%2Fescape");
  EXPECT_EQ(instance->logFolder, work + "/Log1%2F..%2F..%2Fescape");
  EXPECT_TRUE(std::filesystem::is_directory(instance->dataFolder));
  EXPECT_TRUE(std::filesystem::is_directory(instance->logFolder));
  EXPECT_FALSE(std::filesystem::exists(base / "escape"));
  EXPECT_FALSE(std::filesystem::exists(markers / "escape"));

  // ".." alone has a prefix before it in every name, and a double-byte name keeps its bytes.
  EXPECT_EQ(core::InstanceIdInPaths(".."), "..");
  EXPECT_EQ(core::InstanceIdInPaths(Cp932("ソ/表")), Cp932("ソ") + "%2F" + Cp932("表"));
  EXPECT_EQ(core::InstanceIdInPaths("/"), "%2F");
}

TEST(StartInstance, UnusableMarkerFolderStillStarts) {
  TempDir base;
  core::StartOptions options{{}, base / "no-such-folder", base.str()};
  auto instance = core::StartInstance(core::kTcpIpTool, options);
  ASSERT_TRUE(instance);
  EXPECT_EQ(instance->instanceId, "1");
  EXPECT_FALSE(instance->marker.IsHeld());
}

// What one copy of the helper program printed about its start.
struct Started {
  std::string id, settingsFile, dataFolder, logFolder, marker;
};

// Runs copies of a tool's start as real processes sharing one marker folder.
class Instances {
 public:
  explicit Instances(std::string markerFolder) : markerFolder_(std::move(markerFolder)) {}

  // Starts a copy that holds its instance until Release or Kill; nothing when it printed no start.
  std::optional<Started> Start(const std::string& workingDirectory,
                               std::vector<std::string> words = {},
                               const std::string& tool = "tcpip",
                               const std::string& mode = "hold") {
    std::vector<std::string> arguments{tool, mode};
    arguments.insert(arguments.end(), words.begin(), words.end());
    auto child = std::make_unique<platform::ChildProcess>(platform::ChildProcess::Start(
        {TK_INSTANCE_HELPER, arguments, workingDirectory, {{"XDG_RUNTIME_DIR", markerFolder_}}}));
    if (!child->IsRunning()) return std::nullopt;
    Started started;
    for (std::string* field : {&started.id, &started.settingsFile, &started.dataFolder,
                               &started.logFolder, &started.marker}) {
      std::optional<std::string> line = child->ReadLine(kOutputTimeoutMs);
      if (!line) {
        lastExitCode_ = child->Wait();
        return std::nullopt;
      }
      *field = *line;
    }
    children_.push_back(std::move(child));
    return started;
  }

  // Ends the copy started `index`-th (from 0) by SIGKILL and waits until it is gone.
  void Kill(std::size_t index) {
    children_[index]->Signal(SIGKILL);
    children_[index]->Wait();
  }

  int lastExitCode() const { return lastExitCode_; }
  const std::string& markerFolder() const { return markerFolder_; }

 private:
  std::string markerFolder_;
  std::vector<std::unique_ptr<platform::ChildProcess>> children_;
  int lastExitCode_ = -1;
};

TEST(StartInstance, RunningCopiesTakeTheFirstFreeNumber) {
  TempDir base;
  TempDir markers;
  Instances instances(markers.str());
  auto first = instances.Start(base.str());
  auto second = instances.Start(base.str());
  ASSERT_TRUE(first && second);
  EXPECT_EQ(first->id, "1");
  EXPECT_EQ(second->id, "2");
  auto third = instances.Start(base.str());
  ASSERT_TRUE(third);
  EXPECT_EQ(third->id, "3");
  EXPECT_EQ(third->settingsFile, base / "Brisolt3.ini");
  EXPECT_EQ(third->dataFolder, base / "Dat3");
  EXPECT_EQ(third->logFolder, base / "Log3");
  EXPECT_EQ(third->marker, "held");

  // A copy killed outright frees its number at once.
  instances.Kill(0);
  auto fourth = instances.Start(base.str());
  ASSERT_TRUE(fourth);
  EXPECT_EQ(fourth->id, "1");
}

TEST(StartInstance, TenthCopySharesNineAndHoldsNoMarker) {
  TempDir base;
  TempDir markers;
  Instances instances(markers.str());
  for (int number = 1; number <= 9; ++number) {
    auto started = instances.Start(base.str());
    ASSERT_TRUE(started);
    EXPECT_EQ(started->id, std::to_string(number));
  }
  auto tenth = instances.Start(base.str());
  ASSERT_TRUE(tenth);
  EXPECT_EQ(tenth->id, "9");
  EXPECT_EQ(tenth->marker, "none");
  EXPECT_EQ(tenth->settingsFile, base / "Brisolt9.ini");

  // Once the ninth copy is gone nobody holds 9: the tenth never took it.
  instances.Kill(8);
  EXPECT_FALSE(platform::IsMarkerHeld(markers.str(), "Brisolt9"));
}

TEST(StartInstance, ExplicitIdentifierFromTheCommandLine) {
  TempDir base;
  TempDir markers;
  Instances instances(markers.str());
  auto a = instances.Start(base.str(), {" A "});
  ASSERT_TRUE(a);
  EXPECT_EQ(a->id, "A");
  EXPECT_EQ(a->settingsFile, base / "BrisoltA.ini");
  EXPECT_EQ(a->dataFolder, base / "DatA");
  EXPECT_EQ(a->logFolder, base / "LogA");
  EXPECT_EQ(a->marker, "held");
  EXPECT_TRUE(std::filesystem::is_directory(base / "DatA"));
  EXPECT_TRUE(platform::IsMarkerHeld(markers.str(), "BrisoltA"));

  // A second copy with the same identifier shares it, without a marker of its own.
  auto again = instances.Start(base.str(), {"A"});
  ASSERT_TRUE(again);
  EXPECT_EQ(again->id, "A");
  EXPECT_EQ(again->marker, "none");

  // Numbered copies are not disturbed by named ones; words are joined with one space.
  auto numbered = instances.Start(base.str());
  ASSERT_TRUE(numbered);
  EXPECT_EQ(numbered->id, "1");
  auto words = instances.Start(base.str(), {"line", "two"}, "serial");
  ASSERT_TRUE(words);
  EXPECT_EQ(words->id, "line two");
  EXPECT_EQ(words->settingsFile, base / "Pellamarline two.ini");
}

TEST(StartInstance, LongAndJapaneseIdentifiers) {
  TempDir base;
  TempDir markers;
  Instances instances(markers.str());
  auto ascii = instances.Start(base.str(), {std::string(300, 'z')});
  ASSERT_TRUE(ascii);
  EXPECT_EQ(ascii->id, std::string(243, 'z'));
  EXPECT_EQ(ascii->marker, "held");
  // "Brisolt" + 243 + ".ini" is 254 bytes: the longest identifier still makes its files.
  EXPECT_EQ(ascii->settingsFile, base / ("Brisolt" + std::string(243, 'z') + ".ini"));
  EXPECT_TRUE(std::filesystem::is_directory(base / ("Dat" + std::string(243, 'z'))));

  std::string japanese;
  for (int i = 0; i < 150; ++i) japanese += "テ";
  auto named = instances.Start(base.str(), {japanese});
  ASSERT_TRUE(named);
  std::string expected;
  for (int i = 0; i < 121; ++i) expected += "テ";
  EXPECT_EQ(named->id, expected);
  EXPECT_EQ(named->marker, "held");
  EXPECT_TRUE(platform::IsMarkerHeld(markers.str(), "Brisolt" + Cp932(expected)));

  auto small = instances.Start(base.str(), {"テスト"});
  ASSERT_TRUE(small);
  EXPECT_EQ(small->settingsFile, base / "Brisoltテスト.ini");
  EXPECT_TRUE(std::filesystem::is_directory(base / "Logテスト"));
}

TEST(StartInstance, WorkingDirectoryWithAnAccent) {
  TempDir temp;
  std::string cafe = temp / "Café";
  std::filesystem::create_directory(cafe);
  TempDir markers;
  Instances instances(markers.str());
  auto started = instances.Start(cafe, {}, "serial", "exit");
  ASSERT_TRUE(started);
  EXPECT_EQ(started->id, "1");
  EXPECT_EQ(started->settingsFile, cafe + "/Pellamar1.ini");
  EXPECT_EQ(started->dataFolder, cafe + "/Dat1");
  EXPECT_TRUE(std::filesystem::is_directory(cafe + "/Dat1"));
  EXPECT_TRUE(std::filesystem::is_directory(cafe + "/Log1"));
}

TEST(StartInstance, UnreadableWorkingDirectoryStopsWithExitCodeOne) {
  TempDir temp;
  std::string gone = temp / "gone";
  std::filesystem::create_directory(gone);
  TempDir markers;
  Instances instances(markers.str());
  EXPECT_FALSE(instances.Start(gone, {}, "tcpip", "orphan"));
  EXPECT_EQ(instances.lastExitCode(), 1);
  EXPECT_FALSE(platform::IsMarkerHeld(markers.str(), "Brisolt1"));
  EXPECT_FALSE(std::filesystem::exists(gone));
}

}  // namespace
