#include "controls/resources.h"

#include <array>
#include <map>
#include <string>
#include <vector>

#include "controls/identity.h"
#include "controls/pictures.h"
#include "controls/type_library.h"

namespace controls {
namespace {

using Bytes = std::vector<std::uint8_t>;

// 32-bit little-endian length 16, then the GUID's 16 bytes.
Bytes GuidRecord(const Guid& guid) {
  Bytes record = {16, 0, 0, 0};
  auto bytes = guid.Bytes();
  record.insert(record.end(), bytes.begin(), bytes.end());
  return record;
}

Bytes Text(std::string_view text) {
  return Bytes(text.begin(), text.end());
}

Bytes VersionBlock() {
  std::string text;
  text += "FileVersion=" + std::to_string(kFileVersion[0]) + "." + std::to_string(kFileVersion[1]) +
          "." + std::to_string(kFileVersion[2]) + "." + std::to_string(kFileVersion[3]) + "\n";
  text += "ProductVersion=" + text.substr(text.find('=') + 1);
  text += "Language=0411\nCodePage=04B0\n";
  text += "FileVersionText=" + std::string(kVersionText) + "\n";
  text += "ProductVersionText=" + std::string(kVersionText) + "\n";
  text += "ProductName=Quorvane\nInternalName=Quorvane\n";
  text += "OriginalFilename=" + std::string(kOriginalFilename) + "\n";
  text += "OLESelfRegister=\n";
  return Text(text);
}

struct Key {
  std::string type;
  std::string name;
  friend bool operator<(const Key& a, const Key& b) {
    return a.type != b.type ? a.type < b.type : a.name < b.name;
  }
};

const std::map<Key, Bytes>& Resources() {
  static const std::map<Key, Bytes> resources = {
      {{"_IID_WINSOCK", "#1"}, GuidRecord(kWinsockIid)},
      {{"_SRCIID_WINSOCK", "#1"}, GuidRecord(kWinsockEventsIid)},
      {{"_IID_MSCOMM", "#1"}, GuidRecord(kMSCommIid)},
      {{"_SRCIID_MSCOMM", "#1"}, GuidRecord(kMSCommEventsIid)},
      {{"VERSION", "#1"}, VersionBlock()},
      {{"TYPELIB", "#1"}, Text(automation::DescribeTypeLib(QuorvaneTypeLib()))},
      {{"BITMAP", "#30000"}, MSCommToolboxBitmap()},
      {{"BITMAP", "#30001"}, WinsockToolboxBitmap()},
      {{"GIF", "#1"}, SurfacePicture()},
  };
  return resources;
}

std::string Upper(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return out;
}

}  // namespace

std::optional<std::span<const std::uint8_t>> FindLibraryResource(std::string_view type,
                                                                 std::string_view name) {
  // Types and names are found without regard to case, as the original platform finds them.
  auto found = Resources().find({Upper(type), Upper(name)});
  if (found == Resources().end()) return std::nullopt;
  return std::span<const std::uint8_t>(found->second);
}

}  // namespace controls
