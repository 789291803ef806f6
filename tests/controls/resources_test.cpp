// The library's identity as a host reads it: the interface records, the pictures, the version
// block and the type information, through the exported resource lookup and the objects.

#include <QByteArray>
#include <QImage>
#include <set>

#include "automation/text.h"
#include "automation/type_info.h"
#include "controls/controls_host.h"

namespace controls_test {
namespace {

using Resources = ControlsHost;

std::string AsText(const std::vector<std::uint8_t>& bytes) {
  return std::string(bytes.begin(), bytes.end());
}

QImage Decode(const std::vector<std::uint8_t>& bytes, const char* format) {
  return QImage::fromData(
      QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<int>(bytes.size())),
      format);
}

TEST_F(Resources, InterfaceRecordsNameTheControlsInterfaces) {
  auto winsock = Create(u"Quorvane.Winsock");
  auto mscomm = Create(u"Quorvane.MSComm");
  std::vector<std::uint8_t> record = Resource("_IID_WINSOCK", "#1");
  ASSERT_EQ(record.size(), 20u);
  EXPECT_EQ((std::vector<std::uint8_t>(record.begin(), record.begin() + 4)),
            (std::vector<std::uint8_t>{16, 0, 0, 0}));
  EXPECT_EQ(ResourceGuid("_IID_WINSOCK"), winsock->TypeInfo()->iid);
  EXPECT_EQ(ResourceGuid("_IID_MSCOMM"), mscomm->TypeInfo()->iid);
  std::set<std::string> guids;
  for (const char* type : {"_IID_WINSOCK", "_SRCIID_WINSOCK", "_IID_MSCOMM", "_SRCIID_MSCOMM"}) {
    guids.insert(pa::FormatGuid(ResourceGuid(type)));
  }
  EXPECT_EQ(guids.size(), 4u);
  EXPECT_TRUE(Resource("_IID_NOTHING", "#1").empty());
}

TEST_F(Resources, ToolboxBitmapsAre16By15In24Bits) {
  for (const char* name : {"#30000", "#30001"}) {
    std::vector<std::uint8_t> dib = Resource("BITMAP", name);
    ASSERT_EQ(dib.size(), 40u + 15 * 16 * 3) << name;
    // A bitmap file is the 14-byte file header before the device-independent bitmap.
    std::vector<std::uint8_t> file = {'B', 'M'};
    std::uint32_t size = static_cast<std::uint32_t>(14 + dib.size());
    for (int i = 0; i < 4; ++i) file.push_back(static_cast<std::uint8_t>(size >> (8 * i)));
    file.insert(file.end(), {0, 0, 0, 0, 54, 0, 0, 0});
    file.insert(file.end(), dib.begin(), dib.end());
    QImage image = Decode(file, "BMP");
    ASSERT_FALSE(image.isNull()) << name;
    EXPECT_EQ(image.width(), 16);
    EXPECT_EQ(image.height(), 15);
    EXPECT_EQ(dib[14], 24);  // bits per pixel
  }
  EXPECT_NE(Resource("BITMAP", "#30000"), Resource("BITMAP", "#30001"));
}

TEST_F(Resources, TheSurfacePictureIsA32By32Gif) {
  std::vector<std::uint8_t> gif = Resource("GIF", "#1");
  ASSERT_GT(gif.size(), 13u);
  EXPECT_EQ(AsText(std::vector<std::uint8_t>(gif.begin(), gif.begin() + 6)), "GIF89a");
  QImage image = Decode(gif, "GIF");
  ASSERT_FALSE(image.isNull());
  EXPECT_EQ(image.width(), 32);
  EXPECT_EQ(image.height(), 32);
  // The corner is background, and the drawing's outline is there.
  EXPECT_EQ(image.pixel(0, 0) & 0xFFFFFF, 0xC0C0C0u);
  EXPECT_EQ(image.pixel(1, 2) & 0xFFFFFF, 0x000000u);
}

TEST_F(Resources, VersionBlockAndTypeLibrary) {
  std::string version = AsText(Resource("VERSION", "#1"));
  for (const char* line :
       {"FileVersion=3.0.0.8\n", "FileVersionText=3.00.0008\n", "ProductName=Quorvane\n",
        "InternalName=Quorvane\n", "OriginalFilename=Quorvane.ocx\n", "OLESelfRegister=\n",
        "Language=0411\n", "CodePage=04B0\n"}) {
    EXPECT_NE(version.find(line), std::string::npos) << line;
  }
  std::string typelib = AsText(Resource("typelib", "#1"));  // types found without regard to case
  EXPECT_EQ(typelib.rfind("library Quorvane \"Quorvane\" {", 0), 0u);
  EXPECT_NE(typelib.find(" 17.0 lcid 0 flags 0x2\n"), std::string::npos);
  EXPECT_NE(typelib.find("importlib stdole2.tlb\n"), std::string::npos);
  EXPECT_NE(typelib.find("  method GetData 0x60030019 ([in, out] data: Variant, [in, optional] "
                         "type2: Variant, [in, optional] maxLen: Variant) : void\n"),
            std::string::npos);
  EXPECT_NE(typelib.find("  property Handshaking 0x6803000F get put : HandshakeConstants\n"),
            std::string::npos);
  EXPECT_NE(typelib.find("coclass Winsock {"), std::string::npos);
  EXPECT_NE(typelib.find("default _MSComm source __MSComm\n"), std::string::npos);
  EXPECT_NE(typelib.find("enum OnCommConstants comEvSend=1 comEvReceive=2 comEvCTS=3 comEvDSR=4 "
                         "comEvCD=5 comEvRing=6 comEvEOF=7\n"),
            std::string::npos);
}

TEST_F(Resources, TypeInformationDescribesEveryMember) {
  auto winsock = Create(u"Quorvane.Winsock");
  const pa::InterfaceInfo* info = winsock->TypeInfo();
  ASSERT_NE(info, nullptr);
  EXPECT_EQ(info->name, u"_Winsock");
  EXPECT_EQ(info->flags & (pa::kInterfaceDual | pa::kInterfaceHidden | pa::kInterfaceNonExtensible),
            pa::kInterfaceDual | pa::kInterfaceHidden | pa::kInterfaceNonExtensible);
  EXPECT_EQ(info->members.size(), 25u);
  const pa::MemberInfo* getData = pa::FindMember(*info, u"getdata");
  ASSERT_NE(getData, nullptr);
  EXPECT_EQ(getData->dispId, 0x60030019);
  ASSERT_EQ(getData->params.size(), 3u);
  EXPECT_TRUE(getData->params[0].byRef);
  EXPECT_TRUE(getData->params[2].optional);
  const pa::MemberInfo* state = pa::FindMember(*info, 0x68030000);
  ASSERT_NE(state, nullptr);
  EXPECT_EQ(state->name, u"State");
  EXPECT_EQ(state->access, pa::kAccessGet);
  // Every member the type information lists is found by the object under the same DISPID: the
  // control binds its handlers to the table by name, and a control whose table and handlers
  // disagree, or that names an inner member or event its component lacks, is not created at all.
  for (auto progId : {u"Quorvane.Winsock", u"Quorvane.MSComm"}) {
    auto control = Create(progId);
    ASSERT_TRUE(control) << pa::Utf8FromUtf16(progId);
    for (const pa::MemberInfo& member : control->TypeInfo()->members) {
      auto id = control->GetIdOfName(member.name);
      ASSERT_TRUE(id.ok()) << pa::Utf8FromUtf16(member.name);
      EXPECT_EQ(*id, member.dispId) << pa::Utf8FromUtf16(member.name);
    }
  }
}

}  // namespace
}  // namespace controls_test
