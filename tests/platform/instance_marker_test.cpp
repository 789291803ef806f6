#include "platform/instance_marker.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>

#include "platform/cp932.h"
#include "support/temp_dir.h"

namespace {

using Outcome = platform::InstanceMarker::Outcome;
using testing_support::TempDir;

TEST(InstanceMarker, HeldUntilTheHolderGoes) {
  TempDir dir;
  EXPECT_FALSE(platform::IsMarkerHeld(dir.str(), "Brisolt1"));
  {
    Outcome outcome;
    auto marker = platform::InstanceMarker::Create(dir.str(), "Brisolt1", &outcome);
    EXPECT_EQ(outcome, Outcome::Taken);
    EXPECT_TRUE(marker.IsHeld());
    // Probing twice does not lose the holder's lock.
    EXPECT_TRUE(platform::IsMarkerHeld(dir.str(), "Brisolt1"));
    EXPECT_TRUE(platform::IsMarkerHeld(dir.str(), "Brisolt1"));
    EXPECT_FALSE(platform::IsMarkerHeld(dir.str(), "Brisolt2"));

    auto second = platform::InstanceMarker::Create(dir.str(), "Brisolt1", &outcome);
    EXPECT_EQ(outcome, Outcome::HeldElsewhere);
    EXPECT_FALSE(second.IsHeld());

    // A moved marker stays held by its new owner.
    platform::InstanceMarker moved = std::move(marker);
    EXPECT_TRUE(moved.IsHeld());
    EXPECT_TRUE(platform::IsMarkerHeld(dir.str(), "Brisolt1"));
  }
  EXPECT_FALSE(platform::IsMarkerHeld(dir.str(), "Brisolt1"));
  // The lock file stays behind for the next holder.
  EXPECT_TRUE(std::filesystem::exists(dir.path() / "Brisolt1.lock"));
}

TEST(InstanceMarker, UnusableFolderFails) {
  TempDir dir;
  Outcome outcome;
  auto marker = platform::InstanceMarker::Create(dir / "missing", "Brisolt1", &outcome);
  EXPECT_EQ(outcome, Outcome::Failed);
  EXPECT_FALSE(marker.IsHeld());
  EXPECT_FALSE(platform::IsMarkerHeld(dir / "missing", "Brisolt1"));
  platform::InstanceMarker::Create("", "Brisolt1", &outcome);
  EXPECT_EQ(outcome, Outcome::Failed);
}

TEST(InstanceMarker, FileNamesAreSafeAndDistinct) {
  struct NameCase {
    std::string name;
    std::string fileName;
  };
  const NameCase cases[] = {
      {"Brisolt1", "Brisolt1"},
      {"Pellamar_A-b", "Pellamar_A-b"},
      {"Brisolt/x", "Brisolt%2Fx"},
      {"Brisolt..", "Brisolt%2E%2E"},
      {"Brisolt%2F", "Brisolt%252F"},
      {"Brisolt a", "Brisolt%20a"},
      {"Brisolt" + platform::Cp932("あ"), "Brisolt%82%A0"},
  };
  for (const NameCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(platform::MarkerFileName(c.name), c.fileName);
  }
  // Long names stay within a file name and still differ, also when they share a long start.
  std::string longJapanese = "Brisolt";
  for (int i = 0; i < 120; ++i) longJapanese += platform::Cp932("あ");
  std::set<std::string> seen;
  for (char last : {'a', 'b'}) {
    std::string name = longJapanese + last;
    std::string fileName = platform::MarkerFileName(name);
    EXPECT_LE(fileName.size() + 5, 255u);
    EXPECT_EQ(fileName.find('/'), std::string::npos);
    seen.insert(fileName);
  }
  EXPECT_EQ(seen.size(), 2u);

  TempDir dir;
  Outcome outcome;
  auto marker = platform::InstanceMarker::Create(dir.str(), longJapanese + 'a', &outcome);
  EXPECT_EQ(outcome, Outcome::Taken);
  EXPECT_TRUE(platform::IsMarkerHeld(dir.str(), longJapanese + 'a'));
  EXPECT_FALSE(platform::IsMarkerHeld(dir.str(), longJapanese + 'b'));
  auto slash = platform::InstanceMarker::Create(dir.str(), "Brisolt/1", &outcome);
  EXPECT_EQ(outcome, Outcome::Taken);
}

TEST(InstanceMarker, DefaultFolderIsPrivate) {
  std::string folder = platform::DefaultMarkerFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_TRUE(std::filesystem::is_directory(folder));
  if (folder.rfind("/tmp/commtestkit-", 0) == 0) {
    auto permissions = std::filesystem::status(folder).permissions();
    EXPECT_EQ(
        permissions & (std::filesystem::perms::group_all | std::filesystem::perms::others_all),
        std::filesystem::perms::none);
  }
}

}  // namespace
