#include "core/settings.h"

#include <string_view>

#include "platform/profile.h"

namespace core {
namespace {

// Flags are kept as text and read as decimal numbers: anything but 0 is set.
bool ReadFlag(const std::string& file, std::string_view section, std::string_view key,
              std::string_view defaultValue) {
  return platform::DecimalPrefixValue(
             platform::GetProfileString(section, key, defaultValue, file)) != 0;
}

void WriteFlag(const std::string& file, std::string_view section, std::string_view key, bool set) {
  platform::WriteProfileString(section, key, set ? "1" : "0", file);
}

void WriteNumber(const std::string& file, std::string_view section, std::string_view key,
                 int value) {
  platform::WriteProfileString(section, key, std::to_string(value), file);
}

// A list position as it is written: -1 when it selects no entry.
int ListPosition(int position, int entries) {
  return position >= 0 && position < entries ? position : -1;
}

void LoadData(const std::string& file, DataSettings& data) {
  data.sendText = platform::GetProfileString("DATA", "SENDTEXT", data.sendText, file);
  data.dataTran = ReadFlag(file, "DATA", "DATATRAN", "1");
  data.dataSave = ReadFlag(file, "DATA", "DATASAVE", "0");
  data.dspHex = ReadFlag(file, "DATA", "DSPHEX", "0");
  data.listSave = ReadFlag(file, "DATA", "LISTSAVE", "0");
  data.conect = ReadFlag(file, "START", "CONECT", "0");
}

void SavePlacement(const std::string& file, const WindowPlacement& frame) {
  WriteNumber(file, "POS", "XPOS", frame.x);
  WriteNumber(file, "POS", "YPOS", frame.y);
  WriteNumber(file, "POS", "WIDTH", frame.width);
  WriteNumber(file, "POS", "HEIGHT", frame.height);
}

void SaveDataAndLock(const std::string& file, const DataSettings& data, bool disable) {
  platform::WriteProfileString("DATA", "SENDTEXT", data.sendText, file);
  WriteFlag(file, "DATA", "DATATRAN", data.dataTran);
  WriteFlag(file, "DATA", "DATASAVE", data.dataSave);
  WriteFlag(file, "DATA", "DSPHEX", data.dspHex);
  WriteFlag(file, "DATA", "LISTSAVE", data.listSave);
  WriteFlag(file, "START", "CONECT", data.conect);
  WriteFlag(file, "SETTING", "DISABLE", disable);
}

}  // namespace

WindowPlacement LoadWindowPlacement(const std::string& settingsFile) {
  WindowPlacement placement;
  placement.x = platform::GetProfileInt("POS", "XPOS", 0, settingsFile);
  placement.y = platform::GetProfileInt("POS", "YPOS", 0, settingsFile);
  placement.width = platform::GetProfileInt("POS", "WIDTH", 0, settingsFile);
  placement.height = platform::GetProfileInt("POS", "HEIGHT", 0, settingsFile);
  return placement;
}

void LoadSettings(const std::string& settingsFile, TcpIpSettings& settings) {
  const TcpIpSettings defaults;
  settings.port = platform::GetProfileString("TCPIP", "PORT", defaults.port, settingsFile);
  settings.server = platform::GetProfileString("TCPIP", "SRV_CLI", "SRV", settingsFile) == "SRV";
  settings.savedIp = platform::GetProfileString("TCPIP", "IP", defaults.savedIp, settingsFile);
  settings.addressBox = settings.server ? std::string() : settings.savedIp;
  settings.data.sendText = defaults.data.sendText;
  LoadData(settingsFile, settings.data);
}

void LoadSettings(const std::string& settingsFile, SerialSettings& settings) {
  const SerialSettings defaults;
  settings.port = platform::GetProfileString("COM", "PORT", defaults.port, settingsFile);
  settings.baudRate =
      platform::GetProfileString("COM", "BAUDRATE", defaults.baudRate, settingsFile);
  settings.byteSize =
      platform::GetProfileString("COM", "BYTESIZE", defaults.byteSize, settingsFile);
  settings.parity = platform::GetProfileInt("COM", "PARITY", 0, settingsFile);
  settings.stopBit = platform::GetProfileInt("COM", "STOPBIT", 0, settingsFile);
  settings.xonXoff = platform::GetProfileInt("COM", "XONOFF", 0, settingsFile);
  settings.parityChar =
      platform::GetProfileString("COM", "PARITYCHAR", defaults.parityChar, settingsFile);
  settings.dtr = ReadFlag(settingsFile, "COM", "DTR", "1");
  settings.rts = ReadFlag(settingsFile, "COM", "RTS", "1");
  settings.data.sendText = defaults.data.sendText;
  LoadData(settingsFile, settings.data);
}

bool LoadOperatorLock(const std::string& settingsFile) {
  return ReadFlag(settingsFile, "SETTING", "DISABLE", "0");
}

void SaveSettings(const std::string& settingsFile, const WindowPlacement& frame,
                  const TcpIpSettings& settings) {
  SavePlacement(settingsFile, frame);
  platform::WriteProfileString("TCPIP", "PORT", settings.port, settingsFile);
  if (!settings.addressBox.empty()) {
    // In server mode the box may show "address:port"; the address alone is kept.
    std::string_view box = settings.addressBox;
    platform::WriteProfileString("TCPIP", "IP", box.substr(0, box.find(':')), settingsFile);
  }
  platform::WriteProfileString("TCPIP", "SRV_CLI", settings.server ? "SRV" : "CLI", settingsFile);
  SaveDataAndLock(settingsFile, settings.data, settings.disable);
}

void SaveSettings(const std::string& settingsFile, const WindowPlacement& frame,
                  const SerialSettings& settings) {
  SavePlacement(settingsFile, frame);
  platform::WriteProfileString("COM", "PORT", settings.port, settingsFile);
  platform::WriteProfileString("COM", "BAUDRATE", settings.baudRate, settingsFile);
  platform::WriteProfileString("COM", "BYTESIZE", settings.byteSize, settingsFile);
  WriteNumber(settingsFile, "COM", "PARITY", ListPosition(settings.parity, kParityEntries));
  WriteNumber(settingsFile, "COM", "STOPBIT", ListPosition(settings.stopBit, kStopBitEntries));
  WriteNumber(settingsFile, "COM", "XONOFF", ListPosition(settings.xonXoff, kXonXoffEntries));
  platform::WriteProfileString("COM", "PARITYCHAR", settings.parityChar, settingsFile);
  WriteFlag(settingsFile, "COM", "DTR", settings.dtr);
  WriteFlag(settingsFile, "COM", "RTS", settings.rts);
  SaveDataAndLock(settingsFile, settings.data, settings.disable);
}

}  // namespace core
