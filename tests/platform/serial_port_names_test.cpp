#include "platform/serial_port_names.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

#include "support/temp_dir.h"

namespace {

using platform::ComPortNumber;
using platform::SerialDevicePath;
using testing_support::TempDir;

TEST(ComPortNumber, TellsComNamesFromOthers) {
  struct Case {
    const char* name;
    std::optional<int> number;
  } const cases[] = {
      {"COM1", 1},      {"com1", 1},        {"CoM12", 12}, {"COM256", 256},
      {"COM0", {}},     {"COM257", {}},     {"COM01", {}}, {"COM", {}},
      {"COM1a", {}},    {"COM-1", {}},      {"COM 1", {}}, {"XCOM1", {}},
      {"COM99999", {}}, {"COM1000000", {}}, {"ttyS0", {}}, {"", {}},
  };
  for (const Case& c : cases) EXPECT_EQ(ComPortNumber(c.name), c.number) << c.name;
}

TEST(SerialDevicePath, NamesOutsideTheComRangeArePathsOrDevNames) {
  const TempDir links;
  struct Case {
    const char* name;
    const char* path;
  } const cases[] = {
      {"ttyUSB0", "/dev/ttyUSB0"}, {"/tmp/port", "/tmp/port"}, {"./port", "./port"},
      {"pts/3", "pts/3"},          {"COM0", "/dev/COM0"},      {"COM257", "/dev/COM257"},
      {"COM1", "/dev/ttyS0"},      {"com3", "/dev/ttyS2"},     {"COM256", "/dev/ttyS255"},
  };
  for (const Case& c : cases) EXPECT_EQ(SerialDevicePath(c.name, links.str()), c.path) << c.name;
}

TEST(SerialDevicePath, ComNamesFollowTheUsersLinkInAnyCase) {
  const TempDir links;
  std::filesystem::create_symlink("/dev/pts/7", links / "COM3");
  EXPECT_EQ(SerialDevicePath("COM3", links.str()), links / "COM3");
  EXPECT_EQ(SerialDevicePath("com3", links.str()), links / "COM3");
  // Other numbers, and names that only look alike, keep their own rule.
  EXPECT_EQ(SerialDevicePath("COM4", links.str()), "/dev/ttyS3");
  EXPECT_EQ(SerialDevicePath("COM03", links.str()), "/dev/COM03");
}

TEST(SerialDevicePath, AStaleLinkIsStillTheLink) {
  // A link that points nowhere must fail to open, not open the standard port in its place.
  const TempDir links;
  std::filesystem::create_symlink(links / "gone", links / "COM1");
  EXPECT_EQ(SerialDevicePath("COM1", links.str()), links / "COM1");
}

TEST(SerialDevicePath, WithoutALinkFolderComNamesAreStandardPorts) {
  EXPECT_EQ(SerialDevicePath("COM2", std::string()), "/dev/ttyS1");
}

TEST(SerialDevicePathForNumber, FollowsTheComNameRule) {
  EXPECT_EQ(platform::SerialDevicePathForNumber(0), std::nullopt);
  EXPECT_EQ(platform::SerialDevicePathForNumber(257), std::nullopt);
  EXPECT_EQ(platform::SerialDevicePathForNumber(-1), std::nullopt);
  for (const int n : {1, 7, 256})
    EXPECT_EQ(platform::SerialDevicePathForNumber(n), SerialDevicePath("COM" + std::to_string(n)));
}

TEST(SerialPortLinkFolder, EndsInTheToolsPortFolder) {
  const std::string folder = platform::SerialPortLinkFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.front(), '/');
  EXPECT_TRUE(folder.ends_with("/commtestkit/ports")) << folder;
}

}  // namespace

namespace {

TEST(SerialPortCandidates, ListsByIdLinksThenAdaptersThenStandardPortsThenComLinks) {
  const TempDir dev;
  const TempDir sys;
  const TempDir links;
  std::filesystem::create_directories(dev.path() / "serial/by-id");
  for (const char* name : {"usb-B-if00", "usb-A-if00"})
    testing_support::WriteWholeFile(dev / (std::string("serial/by-id/") + name), "");
  for (const char* name :
       {"ttyUSB10", "ttyUSB2", "ttyACM0", "ttyS1", "ttyS0", "ttyS12", "tty0", "ttyUSB", "null"})
    testing_support::WriteWholeFile(dev / name, "");
  // ttyS1 has no UART behind it; ttyS12 is not known to the kernel and is offered.
  for (const auto& [name, type] : {std::pair{"ttyS0", "4\n"}, std::pair{"ttyS1", "0\n"}}) {
    std::filesystem::create_directories(sys.path() / name);
    testing_support::WriteWholeFile(sys / (std::string(name) + "/type"), type);
  }
  for (const char* name : {"COM12", "COM3", "notes", "COM0"})
    std::filesystem::create_symlink("/dev/null", links / name);

  const std::vector<std::string> expected = {dev / "serial/by-id/usb-A-if00",
                                             dev / "serial/by-id/usb-B-if00",
                                             "ttyUSB2",
                                             "ttyUSB10",
                                             "ttyACM0",
                                             "ttyS0",
                                             "ttyS12",
                                             "COM3",
                                             "COM12"};
  EXPECT_EQ(platform::SerialPortCandidates({dev.str(), sys.str(), links.str()}), expected);
}

TEST(SerialPortCandidates, MissingFoldersGiveNothing) {
  EXPECT_TRUE(
      platform::SerialPortCandidates({"/nonexistent", "/nonexistent", "/nonexistent"}).empty());
}

}  // namespace
