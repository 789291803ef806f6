// The property-bag hooks and the container's change notification.

#include "automation/property_bag.h"
#include "controls/controls_host.h"
#include "controls/inner_members.h"

namespace controls_test {
namespace {

class RecordingSite final : public pa::ControlSite {
 public:
  void OnPropertyChanged(std::u16string_view name) override { changed.emplace_back(name); }
  std::vector<std::u16string> changed;
};

using Persistence = ControlsHost;

TEST_F(Persistence, AnEmptyBagLoadsTheDefaultsInTableOrder) {
  auto winsock = Create(u"Quorvane.Winsock");
  auto hooks = pa::QueryInterface<pa::Control>(winsock);
  RecordingSite site;
  hooks->SetSite(&site);
  ClearInnerLog();
  pa::MemoryPropertyBag bag;
  ASSERT_TRUE(hooks->Load(bag).ok());
  EXPECT_EQ(InnerLog(), "put 2(&3:0)\nput 3(&3:0)\nput 10(&8:)\nput 1(&3:0)\n");
  EXPECT_TRUE(site.changed.empty());

  auto mscomm = Create(u"Quorvane.MSComm");
  auto commHooks = pa::QueryInterface<pa::Control>(mscomm);
  ClearInnerLog();
  ASSERT_TRUE(commHooks->Load(bag).ok());
  EXPECT_EQ(InnerLog(),
            "put 4(&2:1)\nput 9(&11:True)\nput 28(&11:False)\nput 10(&3:0)\nput 11(&2:1024)\n"
            "put 14(&2:0)\nput 29(&3:0)\nput 16(&11:False)\nput 17(&2:512)\nput 19(&8:?)\n"
            "put 21(&2:0)\nput 22(&11:False)\nput 23(&8:9600,n,8,1)\nput 24(&2:0)\n");
}

TEST_F(Persistence, SavedPropertiesLoadBackThroughATextFile) {
  auto winsock = Create(u"Quorvane.Winsock");
  auto hooks = pa::QueryInterface<pa::Control>(winsock);
  ASSERT_TRUE(pa::PutProperty(*winsock, u"RemoteHost", Variant::String(u"機器.local")).ok());
  ASSERT_TRUE(pa::PutProperty(*winsock, u"RemotePort", Variant::I4(5000)).ok());
  ASSERT_TRUE(pa::PutProperty(*winsock, u"LocalPort", Variant::I4(0)).ok());
  ASSERT_TRUE(pa::PutProperty(*winsock, u"Protocol", Variant::I4(1)).ok());
  std::string path = *home_ / "form.properties";
  {
    auto bag = pa::TextFilePropertyBag::Open(path);
    ASSERT_TRUE(bag.ok());
    ASSERT_TRUE(hooks->Save(*bag).ok());
    ASSERT_TRUE(bag->Save().ok());
  }
  EXPECT_EQ(testing_support::ReadWholeFile(path),
            "LocalPort=0\nProtocol=1\nRemoteHost=機器.local\nRemotePort=5000\n");

  auto second = Create(u"Quorvane.Winsock");
  ClearInnerLog();
  auto bag = pa::TextFilePropertyBag::Open(path);
  ASSERT_TRUE(bag.ok());
  ASSERT_TRUE(pa::QueryInterface<pa::Control>(second)->Load(*bag).ok());
  EXPECT_EQ(InnerLog(), "put 2(&3:0)\nput 3(&3:1)\nput 10(&8:機器.local)\nput 1(&3:5000)\n");
}

TEST_F(Persistence, AFailingKeyStopsTheLoadThere) {
  auto winsock = Create(u"Quorvane.Winsock");
  FailInner(inner::Socket(u"RemoteHost"), 380, u"Invalid property value");
  ClearInnerLog();
  pa::MemoryPropertyBag bag;
  pa::Status loaded = pa::QueryInterface<pa::Control>(winsock)->Load(bag);
  ASSERT_FALSE(loaded.ok());
  EXPECT_EQ(loaded.error().number, 380);
  EXPECT_EQ(InnerLog(), "put 2(&3:0)\nput 3(&3:0)\nput 10(&8:)\n");
}

TEST_F(Persistence, WritingAPersistedPropertyNotifiesTheContainer) {
  auto winsock = Create(u"Quorvane.Winsock");
  RecordingSite site;
  pa::QueryInterface<pa::Control>(winsock)->SetSite(&site);
  for (auto name : {u"LocalPort", u"Protocol", u"RemotePort"}) {
    ASSERT_TRUE(pa::PutProperty(*winsock, name, Variant::I4(1)).ok());
  }
  ASSERT_TRUE(pa::PutProperty(*winsock, u"remotehost", Variant::String(u"h")).ok());
  ASSERT_TRUE(pa::GetProperty(*winsock, u"RemotePort").ok());
  EXPECT_EQ(site.changed,
            (std::vector<std::u16string>{u"LocalPort", u"Protocol", u"RemotePort", u"RemoteHost"}));

  // A refused write notifies nothing.
  FailInner(inner::Socket(u"RemotePort"), 380, u"no");
  EXPECT_FALSE(pa::PutProperty(*winsock, u"RemotePort", Variant::I4(2)).ok());
  EXPECT_EQ(site.changed.size(), 4u);

  auto mscomm = Create(u"Quorvane.MSComm");
  RecordingSite commSite;
  pa::QueryInterface<pa::Control>(mscomm)->SetSite(&commSite);
  ASSERT_TRUE(pa::PutProperty(*mscomm, u"Settings", Variant::String(u"19200,e,7,1")).ok());
  ASSERT_TRUE(pa::PutProperty(*mscomm, u"InBufferCount", Variant::I2(0)).ok());
  EXPECT_EQ(commSite.changed, std::vector<std::u16string>{u"Settings"});
}

}  // namespace
}  // namespace controls_test
