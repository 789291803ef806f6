// GUID text, text conversions, the text-file property bag and the class registry file.

#include <gtest/gtest.h>

#include <cstdlib>

#include "automation/class_registry.h"
#include "automation/guid.h"
#include "automation/property_bag.h"
#include "automation/text.h"
#include "support/temp_dir.h"

namespace pa = automation;
using pa::Variant;

namespace {

TEST(Guid, TextRoundTripsAndBytesAreLittleEndian) {
  auto guid = pa::ParseGuid("{0a1b2c3d-4e5f-6071-8293-a4b5c6d7e8f9}");
  ASSERT_TRUE(guid);
  EXPECT_EQ(pa::FormatGuid(*guid), "{0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9}");
  auto bytes = guid->Bytes();
  EXPECT_EQ(bytes[0], 0x3D);
  EXPECT_EQ(bytes[4], 0x5F);
  EXPECT_EQ(bytes[6], 0x71);
  EXPECT_EQ(bytes[8], 0x82);
  for (const char* bad :
       {"", "{0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F}", "0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9",
        "{0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8FG}", "{0A1B2C3D+4E5F-6071-8293-A4B5C6D7E8F9}"}) {
    EXPECT_FALSE(pa::ParseGuid(bad)) << bad;
  }
}

TEST(Text, ConversionsKeepTheRestOfATextAfterABadUnit) {
  EXPECT_EQ(pa::Utf16FromUtf8("a\xFF"
                              "b"),
            u"a\uFFFDb");
  EXPECT_EQ(pa::Utf16FromUtf8("\xF0\x9F\x98\x80"), u"\U0001F600");
  EXPECT_EQ(pa::Utf8FromUtf16(u"x\xD800y"), "x\xEF\xBF\xBDy");
  EXPECT_EQ(pa::Utf16FromCp932("\x82\xA0\x80Z"), u"\u3042\uFFFDZ");
  EXPECT_EQ(pa::Cp932FromUtf16(u"～\u00e9"), "\x81\x60?");
  EXPECT_TRUE(pa::SameNameIgnoringCase(u"getData", u"GETDATA"));
  EXPECT_FALSE(pa::SameNameIgnoringCase(u"GetData", u"GetDat"));
}

TEST(TextFilePropertyBag, KeepsKeysInOrderAndReadsAsTheDefaultsType) {
  testing_support::TempDir dir;
  std::string path = dir / "bag.txt";
  {
    auto bag = pa::TextFilePropertyBag::Open(path);  // a missing file is an empty bag
    ASSERT_TRUE(bag.ok());
    ASSERT_TRUE(bag->Write(u"Settings", Variant::String(u"9600,n,8,1")).ok());
    ASSERT_TRUE(bag->Write(u"DTREnable", Variant::Bool(true)).ok());
    ASSERT_TRUE(bag->Write(u"CommPort", Variant::I2(3)).ok());
    ASSERT_TRUE(bag->Write(u"Note", Variant::String(u"two\nlines \\ 全角")).ok());
    ASSERT_TRUE(bag->Write(u"commport", Variant::I2(4)).ok());  // the same key
    EXPECT_EQ(bag->Write(u"Data", Variant::Bytes({1})).error().number, 13);
    ASSERT_TRUE(bag->Save().ok());
  }
  EXPECT_EQ(testing_support::ReadWholeFile(path),
            "Settings=9600,n,8,1\nDTREnable=-1\nCommPort=4\nNote=two\\nlines \\\\ 全角\n");
  auto bag = pa::TextFilePropertyBag::Open(path);
  ASSERT_TRUE(bag.ok());
  EXPECT_EQ(*bag->Read(u"DTRENABLE", Variant::Bool(false)), Variant::Bool(true));
  EXPECT_EQ(*bag->Read(u"CommPort", Variant::I2(1)), Variant::I2(4));
  EXPECT_EQ(*bag->Read(u"Note", Variant::String(u"")), Variant::String(u"two\nlines \\ 全角"));
  EXPECT_EQ(*bag->Read(u"Missing", Variant::I2(1024)), Variant::I2(1024));
  // A stored text that the default's type cannot hold is the type's error.
  testing_support::WriteWholeFile(path, "CommPort=abc\r\nInBufferSize=99999\r\n");
  auto edited = pa::TextFilePropertyBag::Open(path);
  ASSERT_TRUE(edited.ok());
  EXPECT_EQ(edited->Read(u"CommPort", Variant::I2(1)).error().number, 13);
  EXPECT_EQ(edited->Read(u"InBufferSize", Variant::I2(1)).error().number, 6);
}

class ClassRegistry : public testing::Test {
 protected:
  void SetUp() override { ::setenv("XDG_DATA_HOME", dir_.str().c_str(), 1); }
  void TearDown() override { ::unsetenv("XDG_DATA_HOME"); }
  testing_support::TempDir dir_;
};

TEST_F(ClassRegistry, LivesUnderTheUsersDataFolder) {
  EXPECT_EQ(pa::ClassRegistryPath(), dir_ / "commtestkit/classes.reg");
  ::setenv("XDG_DATA_HOME", "relative/ignored", 1);
  EXPECT_EQ(pa::ClassRegistryPath(),
            std::string(std::getenv("HOME")) + "/.local/share/commtestkit/classes.reg");
}

TEST_F(ClassRegistry, AClassIsFoundByProgIdAndRemovedAgain) {
  pa::ClassRegistration r;
  r.clsid = *pa::ParseGuid("{11111111-2222-3333-4444-555555555555}");
  r.name = "Thing";
  r.progId = "Kit.Thing";
  r.modulePath = "/opt/kit/Thing.so";
  r.control = true;
  r.miscStatus = 0x20591;
  r.toolboxBitmap = 7;
  ASSERT_TRUE(pa::RegisterClass(r).ok());
  EXPECT_EQ(pa::ClsidFromProgId("kit.thing"), r.clsid);
  auto found = pa::FindClass(r.clsid);
  ASSERT_TRUE(found);
  EXPECT_EQ(found->modulePath, r.modulePath);
  EXPECT_EQ(found->progId, "Kit.Thing");
  EXPECT_EQ(found->miscStatus, 0x20591u);
  EXPECT_EQ(found->toolboxBitmap, 7);
  EXPECT_FALSE(found->typeLib);
  ASSERT_TRUE(pa::UnregisterClass(r.clsid, r.progId).ok());
  EXPECT_FALSE(pa::FindClass(r.clsid));
  EXPECT_FALSE(pa::ClsidFromProgId("Kit.Thing"));
  EXPECT_EQ(testing_support::ReadWholeFile(pa::ClassRegistryPath()), "");
}

TEST_F(ClassRegistry, AnUnwritableRegistryIsAnError) {
  testing_support::WriteWholeFile(dir_ / "commtestkit", "a file where the folder should be");
  pa::ClassRegistration r;
  r.clsid = *pa::ParseGuid("{11111111-2222-3333-4444-555555555555}");
  r.progId = "Kit.Thing";
  pa::Status status = pa::RegisterClass(r);
  ASSERT_FALSE(status.ok());
  EXPECT_EQ(status.error().number, 75);
  EXPECT_FALSE(status.error().description.empty());
}

}  // namespace
