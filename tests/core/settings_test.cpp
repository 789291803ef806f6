#include "core/settings.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/cp932.h"
#include "platform/profile.h"
#include "support/temp_dir.h"

namespace {

using platform::Cp932;
using testing_support::ReadWholeFile;
using testing_support::TempDir;
using testing_support::WriteWholeFile;

void ExpectSameData(const core::DataSettings& a, const core::DataSettings& b) {
  EXPECT_EQ(a.sendText, b.sendText);
  EXPECT_EQ(a.dataTran, b.dataTran);
  EXPECT_EQ(a.dataSave, b.dataSave);
  EXPECT_EQ(a.dspHex, b.dspHex);
  EXPECT_EQ(a.listSave, b.listSave);
  EXPECT_EQ(a.conect, b.conect);
}

TEST(Settings, MissingFileGivesTheDefaults) {
  TempDir dir;
  std::string file = dir / "Brisolt1.ini";

  core::WindowPlacement placement = core::LoadWindowPlacement(file);
  EXPECT_EQ(placement.x, 0);
  EXPECT_EQ(placement.y, 0);
  EXPECT_EQ(placement.width, 0);
  EXPECT_EQ(placement.height, 0);

  core::TcpIpSettings tcp;
  tcp.port = "junk";
  core::LoadSettings(file, tcp);
  EXPECT_EQ(tcp.port, "4000");
  EXPECT_TRUE(tcp.server);
  EXPECT_EQ(tcp.addressBox, "");
  EXPECT_EQ(tcp.savedIp, "127.0.0.1");
  EXPECT_EQ(tcp.data.sendText, Cp932("<STX>１２３４５<ETX>"));
  EXPECT_TRUE(tcp.data.dataTran);
  EXPECT_FALSE(tcp.data.dataSave);
  EXPECT_FALSE(tcp.data.dspHex);
  EXPECT_FALSE(tcp.data.listSave);
  EXPECT_FALSE(tcp.data.conect);
  EXPECT_FALSE(core::LoadOperatorLock(file));

  core::SerialSettings serial;
  serial.data.sendText = "junk";
  core::LoadSettings(file, serial);
  EXPECT_EQ(serial.port, "COM6");
  EXPECT_EQ(serial.baudRate, "9600");
  EXPECT_EQ(serial.byteSize, "8");
  EXPECT_EQ(serial.parity, 0);
  EXPECT_EQ(serial.stopBit, 0);
  EXPECT_EQ(serial.xonXoff, 0);
  EXPECT_EQ(serial.parityChar, "?");
  EXPECT_TRUE(serial.dtr);
  EXPECT_TRUE(serial.rts);
  EXPECT_EQ(serial.data.sendText, Cp932("<STX>あいうえお<ETX>"));
  EXPECT_TRUE(serial.data.dataTran);

  // Reading never creates the file.
  EXPECT_FALSE(std::filesystem::exists(file));
}

TEST(Settings, TcpIpSaveWritesEveryKeyInOrder) {
  TempDir dir;
  std::string file = dir / "Brisolt1.ini";
  core::TcpIpSettings tcp;
  tcp.server = false;
  tcp.addressBox = "192.168.0.10";
  core::SaveSettings(file, {10, 20, 300, 400}, tcp);
  EXPECT_EQ(ReadWholeFile(file),
            "[POS]\r\nXPOS=10\r\nYPOS=20\r\nWIDTH=300\r\nHEIGHT=400\r\n"
            "[TCPIP]\r\nPORT=4000\r\nIP=192.168.0.10\r\nSRV_CLI=CLI\r\n"
            "[DATA]\r\nSENDTEXT=" +
                Cp932("<STX>１２３４５<ETX>") +
                "\r\nDATATRAN=1\r\nDATASAVE=0\r\nDSPHEX=0\r\nLISTSAVE=0\r\n"
                "[START]\r\nCONECT=0\r\n[SETTING]\r\nDISABLE=0\r\n");
}

TEST(Settings, SerialSaveWritesEveryKeyInOrder) {
  TempDir dir;
  std::string file = dir / "Pellamar1.ini";
  core::SerialSettings serial;
  core::SaveSettings(file, {-5, 7, 0, 0}, serial);
  EXPECT_EQ(ReadWholeFile(file),
            "[POS]\r\nXPOS=-5\r\nYPOS=7\r\nWIDTH=0\r\nHEIGHT=0\r\n"
            "[COM]\r\nPORT=COM6\r\nBAUDRATE=9600\r\nBYTESIZE=8\r\nPARITY=0\r\nSTOPBIT=0\r\n"
            "XONOFF=0\r\nPARITYCHAR=?\r\nDTR=1\r\nRTS=1\r\n"
            "[DATA]\r\nSENDTEXT=" +
                Cp932("<STX>あいうえお<ETX>") +
                "\r\nDATATRAN=1\r\nDATASAVE=0\r\nDSPHEX=0\r\nLISTSAVE=0\r\n"
                "[START]\r\nCONECT=0\r\n[SETTING]\r\nDISABLE=0\r\n");
}

TEST(Settings, TcpIpRoundTrip) {
  TempDir dir;
  std::string file = dir / "Brisolt1.ini";
  core::TcpIpSettings saved;
  saved.port = "12a";
  saved.server = false;
  saved.addressBox = "host.example";
  saved.data = {Cp932(" <STX>テスト<ETX> "), false, true, true, true, true};
  saved.disable = true;
  core::SaveSettings(file, {1, 2, 3, 4}, saved);

  core::WindowPlacement placement = core::LoadWindowPlacement(file);
  EXPECT_EQ(placement.x, 1);
  EXPECT_EQ(placement.y, 2);
  EXPECT_EQ(placement.width, 3);
  EXPECT_EQ(placement.height, 4);
  core::TcpIpSettings loaded;
  core::LoadSettings(file, loaded);
  EXPECT_EQ(loaded.port, "12a");
  EXPECT_FALSE(loaded.server);
  EXPECT_EQ(loaded.addressBox, "host.example");
  EXPECT_EQ(loaded.savedIp, "host.example");
  ExpectSameData(loaded.data, saved.data);
  EXPECT_FALSE(loaded.disable);  // the lock is the third stage's
  EXPECT_TRUE(core::LoadOperatorLock(file));
}

TEST(Settings, SerialRoundTrip) {
  TempDir dir;
  std::string file = dir / "Pellamar1.ini";
  core::SerialSettings saved;
  saved.port = "ttyUSB0";
  saved.baudRate = "115200";
  saved.byteSize = "7";
  saved.parity = 4;
  saved.stopBit = 2;
  saved.xonXoff = 1;
  saved.parityChar = "*";
  saved.dtr = false;
  saved.rts = false;
  saved.data = {"", true, false, true, false, true};
  core::SaveSettings(file, {0, 0, 0, 0}, saved);

  core::SerialSettings loaded;
  core::LoadSettings(file, loaded);
  EXPECT_EQ(loaded.port, "ttyUSB0");
  EXPECT_EQ(loaded.baudRate, "115200");
  EXPECT_EQ(loaded.byteSize, "7");
  EXPECT_EQ(loaded.parity, 4);
  EXPECT_EQ(loaded.stopBit, 2);
  EXPECT_EQ(loaded.xonXoff, 1);
  EXPECT_EQ(loaded.parityChar, "*");
  EXPECT_FALSE(loaded.dtr);
  EXPECT_FALSE(loaded.rts);
  ExpectSameData(loaded.data, saved.data);
  EXPECT_FALSE(core::LoadOperatorLock(file));
}

TEST(Settings, ServerOrClientModeFromSrvCli) {
  struct ModeCase {
    const char* line;  // the SRV_CLI line, empty for none
    bool server;
  };
  const ModeCase cases[] = {
      {"", true},
      {"SRV_CLI=SRV", true},
      {"srv_cli=SRV", true},
      {"SRV_CLI= SRV ", true},
      {"SRV_CLI=srv", false},
      {"SRV_CLI=CLI", false},
      {"SRV_CLI=", false},
      {"SRV_CLI=SRVX", false},
  };
  TempDir dir;
  std::string file = dir / "Brisolt1.ini";
  for (const ModeCase& c : cases) {
    SCOPED_TRACE(c.line);
    WriteWholeFile(file, std::string("[TCPIP]\r\nIP=10.1.2.3\r\n") + c.line + "\r\n");
    core::TcpIpSettings tcp;
    core::LoadSettings(file, tcp);
    EXPECT_EQ(tcp.server, c.server);
    // The address box shows IP in client mode only; IP is kept aside in both.
    EXPECT_EQ(tcp.addressBox, c.server ? "" : "10.1.2.3");
    EXPECT_EQ(tcp.savedIp, "10.1.2.3");
  }
}

TEST(Settings, IpIsSavedFromTheAddressBoxUpToItsFirstColon) {
  struct IpCase {
    const char* addressBox;
    bool server;
    const char* savedIp;  // IP in the file afterwards
  };
  const IpCase cases[] = {
      {"", true, "10.0.0.1"},  // empty box: the file keeps its IP
      {"", false, "10.0.0.1"},
      {"192.168.1.5:4001", true, "192.168.1.5"},
      {"192.168.1.5:4001:", true, "192.168.1.5"},
      {"example.org", false, "example.org"},
      {":4000", true, ""},
  };
  TempDir dir;
  std::string file = dir / "Brisolt1.ini";
  for (const IpCase& c : cases) {
    SCOPED_TRACE(c.addressBox);
    WriteWholeFile(file, "[TCPIP]\r\nIP=10.0.0.1\r\n");
    core::TcpIpSettings tcp;
    tcp.server = c.server;
    tcp.addressBox = c.addressBox;
    tcp.savedIp = "never.written";
    core::SaveSettings(file, {}, tcp);
    EXPECT_EQ(platform::GetProfileString("TCPIP", "IP", "missing", file), c.savedIp);
    EXPECT_EQ(platform::GetProfileString("TCPIP", "SRV_CLI", "", file), c.server ? "SRV" : "CLI");
  }
}

TEST(Settings, FlagsOtherThanZeroOrOneCountAsSetAndAreSavedAsOne) {
  struct FlagCase {
    const char* value;
    bool set;
  };
  const FlagCase cases[] = {{"0", false}, {"1", true},    {"2", true}, {"-1", true},
                            {" 1", true}, {"abc", false}, {"", false}, {"0x1", false}};
  TempDir dir;
  std::string file = dir / "Pellamar1.ini";
  for (const FlagCase& c : cases) {
    SCOPED_TRACE(c.value);
    std::string v = c.value;
    WriteWholeFile(file, "[COM]\r\nDTR=" + v + "\r\n[DATA]\r\nDATATRAN=" + v + "\r\nDATASAVE=" + v +
                             "\r\nDSPHEX=" + v + "\r\nLISTSAVE=" + v + "\r\n[START]\r\nCONECT=" +
                             v + "\r\n[SETTING]\r\nDISABLE=" + v + "\r\n");
    core::SerialSettings serial;
    core::LoadSettings(file, serial);
    serial.disable = core::LoadOperatorLock(file);
    EXPECT_EQ(serial.dtr, c.set);
    EXPECT_EQ(serial.data.dataTran, c.set);
    EXPECT_EQ(serial.data.dataSave, c.set);
    EXPECT_EQ(serial.data.dspHex, c.set);
    EXPECT_EQ(serial.data.listSave, c.set);
    EXPECT_EQ(serial.data.conect, c.set);
    EXPECT_EQ(serial.disable, c.set);

    core::SaveSettings(file, {}, serial);
    const char* written = c.set ? "1" : "0";
    for (const char* key : {"DATATRAN", "DATASAVE", "DSPHEX", "LISTSAVE"}) {
      EXPECT_EQ(platform::GetProfileString("DATA", key, "", file), written) << key;
    }
    EXPECT_EQ(platform::GetProfileString("COM", "DTR", "", file), written);
    EXPECT_EQ(platform::GetProfileString("START", "CONECT", "", file), written);
    EXPECT_EQ(platform::GetProfileString("SETTING", "DISABLE", "", file), written);
  }
}

TEST(Settings, LockNotReadIsWrittenBackAsZero) {
  // When the socket start fails the window skips the third stage: the lock stays unset.
  TempDir dir;
  std::string file = dir / "Brisolt1.ini";
  WriteWholeFile(file, "[SETTING]\r\nDISABLE=1\r\n");
  core::TcpIpSettings tcp;
  core::LoadSettings(file, tcp);
  core::SaveSettings(file, {}, tcp);
  EXPECT_EQ(platform::GetProfileString("SETTING", "DISABLE", "", file), "0");
}

TEST(Settings, ListPositionsOutsideTheirListAreSavedAsMinusOne) {
  struct PositionCase {
    int parity, stopBit, xonXoff;
    const char* written[3];
  };
  const PositionCase cases[] = {
      {4, 2, 1, {"4", "2", "1"}},
      {5, 3, 2, {"-1", "-1", "-1"}},
      {-1, -1, -1, {"-1", "-1", "-1"}},
      {7, 0, -3, {"-1", "0", "-1"}},
  };
  TempDir dir;
  std::string file = dir / "Pellamar1.ini";
  for (const PositionCase& c : cases) {
    core::SerialSettings serial;
    serial.parity = c.parity;
    serial.stopBit = c.stopBit;
    serial.xonXoff = c.xonXoff;
    core::SaveSettings(file, {}, serial);
    EXPECT_EQ(platform::GetProfileString("COM", "PARITY", "", file), c.written[0]);
    EXPECT_EQ(platform::GetProfileString("COM", "STOPBIT", "", file), c.written[1]);
    EXPECT_EQ(platform::GetProfileString("COM", "XONOFF", "", file), c.written[2]);
  }
  // A position read from the file is taken unchanged; the window shows no entry for it.
  WriteWholeFile(file, "[COM]\r\nPARITY=7\r\nSTOPBIT=x\r\nXONOFF=\r\n");
  core::SerialSettings serial;
  core::LoadSettings(file, serial);
  EXPECT_EQ(serial.parity, 7);
  EXPECT_EQ(serial.stopBit, 0);
  EXPECT_EQ(serial.xonXoff, 0);
}

TEST(Settings, EmptyValueIsNotTheDefault) {
  TempDir dir;
  std::string file = dir / "Brisolt1.ini";
  WriteWholeFile(file, "[tcpip]\r\nport=\r\nip=\r\n[data]\r\nsendtext=\r\n");
  core::TcpIpSettings tcp;
  core::LoadSettings(file, tcp);
  EXPECT_EQ(tcp.port, "");
  EXPECT_EQ(tcp.savedIp, "");
  EXPECT_EQ(tcp.data.sendText, "");
  EXPECT_TRUE(tcp.data.dataTran);  // DATATRAN missing means "1"
}

TEST(Settings, WindowPlacementReadsIntegers) {
  TempDir dir;
  std::string file = dir / "Brisolt1.ini";
  WriteWholeFile(file, "[pos]\r\nxpos=-20\r\nYPOS= 30px\r\nWIDTH=abc\r\nHEIGHT=\r\n");
  core::WindowPlacement placement = core::LoadWindowPlacement(file);
  EXPECT_EQ(placement.x, -20);
  EXPECT_EQ(placement.y, 30);
  EXPECT_EQ(placement.width, 0);
  EXPECT_EQ(placement.height, 0);
}

TEST(Settings, SaveKeepsCommentsOrderAndForeignKeys) {
  TempDir dir;
  std::string file = dir / "Brisolt1.ini";
  WriteWholeFile(file,
                 "; written by hand\r\n[DATA]\r\nSENDTEXT=old\r\nNOTE=mine\r\n\r\n"
                 "[tcpip]\r\nport=1\r\n[POS]\r\nXPOS=0\r\n");
  core::TcpIpSettings tcp;
  core::LoadSettings(file, tcp);
  core::SaveSettings(file, {5, 6, 7, 8}, tcp);
  EXPECT_EQ(ReadWholeFile(file),
            "; written by hand\r\n[DATA]\r\nSENDTEXT=old\r\nNOTE=mine\r\nDATATRAN=1\r\n"
            "DATASAVE=0\r\nDSPHEX=0\r\nLISTSAVE=0\r\n\r\n"
            "[tcpip]\r\nport=1\r\nSRV_CLI=SRV\r\n[POS]\r\nXPOS=5\r\nYPOS=6\r\nWIDTH=7\r\n"
            "HEIGHT=8\r\n[START]\r\nCONECT=0\r\n[SETTING]\r\nDISABLE=0\r\n");
}

// A settings file whose folder is gone cannot be written. The save still returns normally, makes
// no folder and writes nowhere else (a neighbour's file beside the missing folder is untouched);
// once the folder exists, the same save writes every key, so the save did not give up unasked.
TEST(Settings, FailedWriteIsNotReportedAndTouchesNothingElse) {
  TempDir dir;
  const std::string neighbour = dir / "Brisolt1.ini";
  WriteWholeFile(neighbour, "[TCPIP]\r\nPORT=1\r\n");
  const std::string file = dir / "missing/Brisolt1.ini";
  ASSERT_FALSE(platform::WriteProfileString("POS", "XPOS", "1", file)) << "the case fails a write";

  core::TcpIpSettings tcp;
  tcp.server = false;
  tcp.addressBox = "10.0.0.1";
  core::SaveSettings(file, {1, 2, 3, 4}, tcp);
  EXPECT_FALSE(std::filesystem::exists(dir / "missing"));
  EXPECT_EQ(ReadWholeFile(neighbour), "[TCPIP]\r\nPORT=1\r\n");
  std::size_t entries = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.str()))
    ++entries;
  EXPECT_EQ(entries, 1u) << "nothing new beside the missing folder";

  std::filesystem::create_directories(dir / "missing");
  core::SaveSettings(file, {1, 2, 3, 4}, tcp);
  EXPECT_EQ(platform::GetProfileString("TCPIP", "IP", "", file), "10.0.0.1");
  EXPECT_EQ(platform::GetProfileString("SETTING", "DISABLE", "", file), "0");
}

}  // namespace
