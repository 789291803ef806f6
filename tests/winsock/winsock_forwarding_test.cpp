// The Winsock control's forwarding as the inner component sees it: the call forms of Bind,
// Connect, GetData and PeekData, the references to copies, Accept's and SendData's arguments,
// the change notifications and the property bag, observed on the inner double.

#include <string>
#include <vector>

#include "automation/text.h"
#include "controls/controls_host.h"
#include "controls/inner_members.h"

namespace controls_test {
namespace {

using WinsockForwarding = ControlsHost;

std::vector<std::string> Lines(const std::string& log) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = log.find('\n', start)) != std::string::npos; start = end + 1) {
    lines.push_back(log.substr(start, end - start));
  }
  return lines;
}

TEST_F(WinsockForwarding, BindAndConnectCallTheInnerMethodInFourForms) {
  auto winsock = Create(u"Quorvane.Winsock");
  ASSERT_TRUE(winsock);
  const Variant host = Variant::String(u"device");
  const Variant port = Variant::I4(5001);
  const struct {
    std::vector<Variant> args;
    const char* connect;
    const char* bind;
  } cases[] = {
      {{host, port}, "call 64(&8:device &3:5001)", "call 71(&8:device &3:5001)"},
      {{host}, "call 64(&8:device)", "call 71(&8:device)"},
      {{host, Variant::Missing()}, "call 64(&8:device)", "call 71(&8:device)"},
      {{Variant::Missing(), port}, "call 64(missing &3:5001)", "call 71(missing &3:5001)"},
      {{}, "call 64()", "call 71()"},
      {{Variant::Missing(), Variant::Missing()}, "call 64()", "call 71()"},
  };
  for (const auto& c : cases) {
    ClearInnerLog();
    ASSERT_TRUE(Call(*winsock, u"Connect", c.args).ok());
    ASSERT_TRUE(Call(*winsock, u"Bind", c.args).ok());
    EXPECT_EQ(Lines(InnerLog()), (std::vector<std::string>{c.connect, c.bind}));
  }
}

TEST_F(WinsockForwarding, GivenArgumentsReachTheInnerControlAsReferencesToCopies) {
  auto winsock = Create(u"Quorvane.Winsock");
  // The caller's variable, passed by reference, is not the one the inner control receives.
  Variant callersPort = Variant::I4(7);
  Variant callersHost = Variant::String(u"h");
  std::vector<Variant> args = {Variant::ByRef(callersHost), Variant::ByRef(callersPort)};
  ClearInnerLog();
  ASSERT_TRUE(pa::CallMethod(*winsock, u"Connect", std::span<Variant>(args)).ok());
  EXPECT_EQ(InnerLog(), "call 64(&8:h &3:7)\n");
  EXPECT_EQ(callersHost, Variant::String(u"h"));

  ClearInnerLog();
  Variant data = Variant::String(u"payload");
  std::vector<Variant> send = {Variant::ByRef(data)};
  ASSERT_TRUE(pa::CallMethod(*winsock, u"SendData", std::span<Variant>(send)).ok());
  ASSERT_TRUE(Call(*winsock, u"Accept", {Variant::String(u"42")}).ok());
  EXPECT_EQ(Lines(InnerLog()), (std::vector<std::string>{"call 67(&8:payload)", "call 66(&3:42)"}));
}

TEST_F(WinsockForwarding, GetDataAndPeekDataPassTheCallersVariableInFourForms) {
  auto winsock = Create(u"Quorvane.Winsock");
  SetInnerData(Variant::Bytes({1, 2, 3}));
  const Variant type = Variant::I4(8);
  const Variant maxLen = Variant::I4(5);
  const struct {
    std::vector<Variant> extra;
    const char* form;
  } cases[] = {
      {{type, maxLen}, "(&0: 3:8 3:5)"},
      {{type}, "(&0: 3:8)"},
      {{Variant::Missing(), maxLen}, "(&0: missing 3:5)"},
      {{}, "(&0:)"},
  };
  for (const char16_t* method : {u"GetData", u"PeekData"}) {
    const std::string id = method == std::u16string_view(u"GetData") ? "68" : "69";
    for (const auto& c : cases) {
      Variant callersData;
      std::vector<Variant> args = {Variant::ByRef(callersData)};
      args.insert(args.end(), c.extra.begin(), c.extra.end());
      ClearInnerLog();
      ASSERT_TRUE(pa::CallMethod(*winsock, method, std::span<Variant>(args)).ok());
      EXPECT_EQ(InnerLog(), "call " + id + c.form + "\n");
      // The inner control stores straight into the caller's own variable.
      if (id == "68") {
        EXPECT_EQ(callersData, Variant::Bytes({1, 2, 3}));
      }
    }
  }
}

// A container site that records the change notifications.
struct RecordingSite : pa::ControlSite {
  std::vector<std::u16string> changed;
  void OnPropertyChanged(std::u16string_view name) override { changed.emplace_back(name); }
};

// A property bag that records the order of reads and writes, and can fail at one key.
struct RecordingBag : pa::PropertyBag {
  std::vector<std::string> calls;
  std::u16string failAt;
  pa::Result<Variant> Read(std::u16string_view name, const Variant& defaultValue) override {
    calls.push_back("read " + pa::Utf8FromUtf16(name) + " " +
                    std::to_string(static_cast<int>(defaultValue.Type())));
    if (name == failAt) return pa::MakeError(53);
    return defaultValue;
  }
  pa::Status Write(std::u16string_view name, const Variant& value) override {
    calls.push_back("write " + pa::Utf8FromUtf16(name) + " " +
                    std::to_string(static_cast<int>(value.Type())));
    return pa::Status::Ok();
  }
};

TEST_F(WinsockForwarding, OnlyWritesOfTheFourPersistedPropertiesNotify) {
  auto winsock = Create(u"Quorvane.Winsock");
  auto control = pa::QueryInterface<pa::Control>(winsock);
  ASSERT_TRUE(control);
  RecordingSite site;
  control->SetSite(&site);
  for (const char16_t* name : {u"LocalPort", u"Protocol", u"RemotePort"})
    ASSERT_TRUE(pa::PutProperty(*winsock, name, Variant::I4(1)).ok());
  ASSERT_TRUE(pa::PutProperty(*winsock, u"RemoteHost", Variant::String(u"x")).ok());
  for (const char16_t* name :
       {u"LocalPort", u"Protocol", u"RemotePort", u"RemoteHost", u"State", u"BytesReceived",
        u"LocalHostName", u"LocalIP", u"RemoteHostIP", u"SocketHandle"})
    EXPECT_TRUE(pa::GetProperty(*winsock, name).ok()) << pa::Utf8FromUtf16(name);
  EXPECT_EQ(site.changed,
            (std::vector<std::u16string>{u"LocalPort", u"Protocol", u"RemotePort", u"RemoteHost"}));
  // Read-only properties refuse a write, without a notification.
  EXPECT_EQ(pa::PutProperty(*winsock, u"State", Variant::I2(0)).error().number,
            pa::kErrPropertyIsReadOnly);
  // A failed write notifies nothing.
  FailInner(inner::Socket(u"LocalPort"), 40006, u"refused");
  EXPECT_EQ(pa::PutProperty(*winsock, u"LocalPort", Variant::I4(2)).error().number, 40006);
  EXPECT_EQ(site.changed.size(), 4u);
  control->SetSite(nullptr);
}

TEST_F(WinsockForwarding, PropertyBagLoadAndSaveGoInTableOrderWithTheDefaults) {
  auto winsock = Create(u"Quorvane.Winsock");
  auto control = pa::QueryInterface<pa::Control>(winsock);
  RecordingSite site;
  control->SetSite(&site);
  RecordingBag bag;
  ClearInnerLog();
  ASSERT_TRUE(control->Load(bag).ok());
  EXPECT_EQ(bag.calls, (std::vector<std::string>{"read LocalPort 2", "read Protocol 2",
                                                 "read RemoteHost 8", "read RemotePort 2"}));
  EXPECT_EQ(Lines(InnerLog()),
            (std::vector<std::string>{"put 2(&3:0)", "put 3(&3:0)", "put 10(&8:)", "put 1(&3:0)"}));
  EXPECT_TRUE(site.changed.empty());

  bag.calls.clear();
  ASSERT_TRUE(control->Save(bag).ok());
  EXPECT_EQ(bag.calls, (std::vector<std::string>{"write LocalPort 3", "write Protocol 3",
                                                 "write RemoteHost 8", "write RemotePort 3"}));

  // A failure stops the load at its key; the keys before it are applied.
  RecordingBag failing;
  failing.failAt = u"RemoteHost";
  ClearInnerLog();
  EXPECT_EQ(control->Load(failing).error().number, 53);
  EXPECT_EQ(Lines(InnerLog()), (std::vector<std::string>{"put 2(&3:0)", "put 3(&3:0)"}));
  control->SetSite(nullptr);
}

}  // namespace
}  // namespace controls_test
