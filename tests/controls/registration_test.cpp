// Registration through the library's exports, as a host installs it.

#include "automation/class_registry.h"
#include "automation/guid.h"
#include "controls/controls_host.h"

namespace controls_test {
namespace {

using Registration = ControlsHost;

TEST_F(Registration, RecordsBothClassesAndTheTypeLibrary) {
  auto winsock = pa::ClsidFromProgId("Quorvane.Winsock");
  auto mscomm = pa::ClsidFromProgId("Quorvane.MSComm");
  ASSERT_TRUE(winsock && mscomm);
  EXPECT_NE(*winsock, *mscomm);
  for (auto [clsid, name, bitmap] :
       {std::tuple{*winsock, "Winsock", 30001}, std::tuple{*mscomm, "MSComm", 30000}}) {
    auto entry = pa::FindClass(clsid);
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->name, name);
    EXPECT_EQ(entry->modulePath, std::filesystem::canonical(kQuorvane).string());
    EXPECT_EQ(entry->threadingModel, "Apartment");
    EXPECT_TRUE(entry->control);
    EXPECT_EQ(entry->miscStatus, 0x20591u);
    EXPECT_EQ(entry->toolboxBitmap, bitmap);
    ASSERT_TRUE(entry->typeLib);
    EXPECT_EQ(entry->typeLibVersion, "17.0");
    auto library = pa::FindTypeLib(*entry->typeLib, "17.0");
    ASSERT_TRUE(library);
    EXPECT_EQ(library->name, "Quorvane");
    EXPECT_EQ(library->modulePath, entry->modulePath);
    EXPECT_EQ(library->flags, 2u);
  }
  // The registry reads like the original platform's keys.
  std::string registry = testing_support::ReadWholeFile(pa::ClassRegistryPath());
  EXPECT_NE(registry.find("[CLSID\\" + pa::FormatGuid(*winsock) + "\\InprocServer32]"),
            std::string::npos);
  EXPECT_NE(registry.find("ThreadingModel=Apartment"), std::string::npos);
  EXPECT_NE(registry.find("[Quorvane.MSComm\\CLSID]"), std::string::npos);
}

TEST_F(Registration, UnregistrationRemovesExactlyWhatRegistrationWrote) {
  const std::string path = pa::ClassRegistryPath();
  // Start from a registry that holds only a foreign entry, then register and unregister.
  ASSERT_TRUE(pa::UnregisterModule(kDoubles).ok());
  ASSERT_TRUE(pa::UnregisterModule(kQuorvane).ok());
  pa::ClassRegistration foreign;
  foreign.clsid = *pa::ParseGuid("{01234567-89AB-CDEF-0123-456789ABCDEF}");
  foreign.name = "Other";
  foreign.progId = "Other.Thing";
  foreign.modulePath = "/opt/other.so";
  ASSERT_TRUE(pa::RegisterClass(foreign).ok());
  const std::string before = testing_support::ReadWholeFile(path);

  ASSERT_TRUE(pa::RegisterModule(kQuorvane).ok());
  EXPECT_NE(testing_support::ReadWholeFile(path), before);
  ASSERT_TRUE(pa::UnregisterModule(kQuorvane).ok());
  EXPECT_EQ(testing_support::ReadWholeFile(path), before);
  EXPECT_FALSE(pa::ClsidFromProgId("Quorvane.Winsock"));
  EXPECT_FALSE(loader_.CreateObject(u"Quorvane.Winsock").ok());
  EXPECT_EQ(loader_.CreateObject(u"Quorvane.Winsock").error().number, pa::kErrCannotCreateObject);

  // Registered again, the classes work again.
  ASSERT_TRUE(pa::RegisterModule(kQuorvane).ok());
  ASSERT_TRUE(pa::RegisterModule(kDoubles).ok());
  EXPECT_TRUE(Create(u"Quorvane.Winsock"));
  ASSERT_TRUE(pa::RegisterModule(kQuorvane).ok());  // twice is once
  ASSERT_TRUE(pa::UnregisterModule(kQuorvane).ok());
  ASSERT_TRUE(pa::UnregisterModule(kDoubles).ok());
  EXPECT_EQ(testing_support::ReadWholeFile(path), before);
}

TEST_F(Registration, TheClsidTextCreatesToo) {
  auto clsid = pa::ClsidFromProgId("Quorvane.MSComm");
  ASSERT_TRUE(clsid);
  auto text = pa::FormatGuid(*clsid);
  auto control = loader_.CreateObject(std::u16string(text.begin(), text.end()));
  ASSERT_TRUE(control.ok());
  EXPECT_EQ(control->get()->TypeInfo()->name, u"_MSComm");
}

TEST_F(Registration, TheLibraryMayBeUnloadedWhenNoObjectIsAlive) {
  auto canUnload = pa::ModuleExport(kQuorvane, "DllCanUnloadNow");
  ASSERT_TRUE(canUnload.ok());
  auto query = reinterpret_cast<pa::HResult (*)()>(*canUnload);
  EXPECT_EQ(query(), pa::kOk);
  {
    auto control = Create(u"Quorvane.Winsock");
    EXPECT_EQ(query(), pa::kFalse);
  }
  EXPECT_EQ(query(), pa::kOk);
}

}  // namespace
}  // namespace controls_test
