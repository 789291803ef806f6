// The MSComm control as a host meets it: the library registered in a temporary class registry,
// the control created by its ProgID, its port a real pseudo-terminal reached through a port link,
// its events taken through its connection point or its script event queue.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "automation/connection_point.h"
#include "automation/control.h"
#include "automation/dispatch.h"
#include "automation/loader.h"
#include "automation/property_bag.h"
#include "automation/text.h"
#include "controls/identity.h"
#include "platform/cp932.h"
#include "platform/pseudo_terminal.h"
#include "platform/readiness.h"
#include "support/temp_dir.h"

namespace {

using namespace std::chrono_literals;
namespace pa = automation;
using pa::Variant;
using pa::VarType;

// Points a per-user variable at a folder for as long as it lives.
class ScopedEnvironment {
 public:
  ScopedEnvironment(const char* name, const std::string& value) : name_(name) {
    if (const char* before = std::getenv(name)) saved_ = before;
    ::setenv(name, value.c_str(), 1);
  }
  ~ScopedEnvironment() {
    if (saved_)
      ::setenv(name_, saved_->c_str(), 1);
    else
      ::unsetenv(name_);
  }

 private:
  const char* name_;
  std::optional<std::string> saved_;
};

std::vector<std::uint8_t> Bytes(const std::string& s) {
  return std::vector<std::uint8_t>(s.begin(), s.end());
}

class RecordingSite final : public pa::ControlSite {
 public:
  void OnPropertyChanged(std::u16string_view name) override { changed.emplace_back(name); }
  std::vector<std::u16string> changed;
};

// A bag that records what is read from it and written to it, in order.
class RecordingBag final : public pa::PropertyBag {
 public:
  pa::Result<Variant> Read(std::u16string_view name, const Variant& defaultValue) override {
    reads.emplace_back(std::u16string(name), defaultValue);
    return defaultValue;
  }
  pa::Status Write(std::u16string_view name, const Variant& value) override {
    writes.emplace_back(std::u16string(name), value);
    return pa::Status::Ok();
  }
  std::vector<std::pair<std::u16string, Variant>> reads;
  std::vector<std::pair<std::u16string, Variant>> writes;
};

class MSCommControl : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    classes_ = new testing_support::TempDir;
    ::setenv("XDG_DATA_HOME", classes_->str().c_str(), 1);
    ASSERT_TRUE(pa::RegisterModule(QUORVANE_PATH));
  }
  static void TearDownTestSuite() {
    delete classes_;
    classes_ = nullptr;
  }

  void SetUp() override {
    ASSERT_TRUE(pty.IsValid());
    const std::filesystem::path ports = config.path() / "commtestkit" / "ports";
    std::filesystem::create_directories(ports);
    std::filesystem::create_symlink(pty.SlavePath(), ports / "COM3");
    auto created = loader.CreateObject(u"Quorvane.MSComm");
    ASSERT_TRUE(created) << pa::Utf8FromUtf16(created.error().description);
    control = *created;
    auto sink = pa::MakeEventSink([this](pa::DispId id, std::span<Variant>) {
      raised.push_back(id);
      if (onEvent) onEvent();
      return pa::Status::Ok();
    });
    auto advisory = pa::Advisory::Connect(*control, controls::kMSCommEventsIid, sink);
    ASSERT_TRUE(advisory);
    advisory_ = std::move(*advisory);
  }
  void TearDown() override {
    advisory_.Disconnect();
    control = nullptr;
  }

  Variant Get(std::u16string_view name) {
    auto value = pa::GetProperty(*control, name);
    EXPECT_TRUE(value) << pa::Utf8FromUtf16(name) << ": "
                       << (value ? "" : pa::Utf8FromUtf16(value.error().description));
    return value ? *value : Variant();
  }
  void Put(std::u16string_view name, Variant value) {
    const pa::Status status = pa::PutProperty(*control, name, std::move(value));
    EXPECT_TRUE(status) << pa::Utf8FromUtf16(name) << ": "
                        << (status ? "" : pa::Utf8FromUtf16(status.error().description));
  }
  int ErrorOfPut(std::u16string_view name, Variant value) {
    const pa::Status status = pa::PutProperty(*control, name, std::move(value));
    return status ? 0 : status.error().number;
  }
  int ErrorOfGet(std::u16string_view name) {
    auto value = pa::GetProperty(*control, name);
    return value ? 0 : value.error().number;
  }
  void Open() {
    Put(u"CommPort", Variant::I2(3));
    Put(u"PortOpen", Variant::Bool(true));
  }
  std::vector<Variant> NextRecord() {
    auto record = pa::CallMethod(*control, u"GetEventParameters");
    EXPECT_TRUE(record && record->IsArray());
    if (!record || !record->IsArray()) return {};
    return record->AsArray().variants();
  }
  bool Pump(const std::function<bool()>& done, std::chrono::milliseconds timeout = 3s) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
      if (std::chrono::steady_clock::now() >= end) return false;
      loop.RunOnce(10ms);
    }
    return true;
  }
  void PumpFor(std::chrono::milliseconds time) {
    const auto end = std::chrono::steady_clock::now() + time;
    while (std::chrono::steady_clock::now() < end) loop.RunOnce(5ms);
  }
  std::int32_t InBufferCount() {
    auto v = pa::GetProperty(*control, u"InBufferCount");
    return v ? v->AsI2() : -1;
  }

  static testing_support::TempDir* classes_;
  platform::PseudoTerminalPair pty;
  testing_support::TempDir config;
  ScopedEnvironment configHome{"XDG_CONFIG_HOME", config.str()};
  platform::PollReadinessLoop loop;
  pa::Loader loader{&loop};
  pa::Ref<pa::Dispatch> control;
  pa::Advisory advisory_;
  std::vector<pa::DispId> raised;
  std::function<void()> onEvent;
};

testing_support::TempDir* MSCommControl::classes_ = nullptr;

TEST_F(MSCommControl, OpensThroughThePortLinkAndSendsTextInTheCodePageAndByteArrays) {
  Open();
  EXPECT_EQ(Get(u"PortOpen"), Variant::Bool(true));
  EXPECT_EQ(ErrorOfPut(u"PortOpen", Variant::Bool(true)), 8005);
  EXPECT_EQ(ErrorOfPut(u"CommPort", Variant::I2(4)), 8000);

  Put(u"Output", Variant::String(u"日本語テキスト\r"));
  const std::string expected = platform::Cp932("日本語テキスト\r");
  EXPECT_EQ(pty.Read(expected.size(), 2s), expected);
  Put(u"Output", Variant::Bytes({0x00, 0xFF, 0x1A, 0x80}));
  EXPECT_EQ(pty.Read(4, 2s), std::string("\x00\xFF\x1A\x80", 4));

  Put(u"PortOpen", Variant::Bool(false));
  EXPECT_EQ(ErrorOfGet(u"Input2"), 8018);
  EXPECT_EQ(ErrorOfPut(u"Output", Variant::String(u"x")), 8018);
}

TEST_F(MSCommControl, Input2WithInputLenInTextAndBinaryMode) {
  Open();
  const std::string japanese = platform::Cp932("受信");
  ASSERT_TRUE(pty.Write("ab" + japanese + "cdef"));
  ASSERT_TRUE(Pump([&] { return InBufferCount() == 10; }));
  Put(u"InputLen", Variant::I2(6));
  EXPECT_EQ(Get(u"Input2"), Variant::String(u"ab受信"));
  Put(u"InputLen", Variant::I2(3));
  Put(u"InputMode", Variant::I4(1));
  EXPECT_EQ(Get(u"Input2"), Variant::Bytes(Bytes("cde")));
  EXPECT_EQ(Get(u"Input2"), Variant::Bytes({})) << "fewer than InputLen bytes: none";
  Put(u"InputLen", Variant::I2(0));
  EXPECT_EQ(Get(u"Input2"), Variant::Bytes(Bytes("f")));
  EXPECT_EQ(ErrorOfPut(u"Input2", Variant::String(u"x")), 383);
  EXPECT_EQ(ErrorOfGet(u"Output"), 394);
}

TEST_F(MSCommControl, OnCommIsRaisedWithCommEventOutsideScriptMode) {
  Open();
  Put(u"RThreshold", Variant::I2(1));
  std::vector<Variant> seen;
  onEvent = [&] {
    seen.push_back(Get(u"CommEvent"));
    seen.push_back(Get(u"Input2"));
  };
  ASSERT_TRUE(pty.Write("ping"));
  ASSERT_TRUE(Pump([&] { return !raised.empty(); }));
  EXPECT_EQ(raised[0], 1);
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0], Variant::I2(2));
  EXPECT_EQ(seen[1], Variant::String(u"ping"));
  EXPECT_TRUE(NextRecord()[0].IsEmpty()) << "nothing queued in raise mode";
}

TEST_F(MSCommControl, ScriptModeRecordsCarryTheBytesAndLeaveTheInputModeAsItWas) {
  Open();
  Put(u"RThreshold", Variant::I2(1));
  ASSERT_TRUE(pa::CallMethod(*control, u"Start_EventForScript"));
  const std::string japanese = platform::Cp932("ＯＫ");
  for (int mode : {0, 1}) {
    Put(u"InputMode", Variant::I4(mode));
    ASSERT_TRUE(pty.Write(japanese));
    std::vector<Variant> record;
    ASSERT_TRUE(Pump([&] {
      record = NextRecord();
      return !record.empty() && !record[0].IsEmpty();
    }));
    EXPECT_EQ(record[0], Variant::String(u"OnComm"));
    EXPECT_EQ(record[8], Variant::I2(2));
    EXPECT_EQ(record[9], Variant::Bytes(Bytes(japanese))) << "mode " << mode;
    for (int i = 1; i <= 7; ++i) EXPECT_TRUE(record[static_cast<std::size_t>(i)].IsEmpty());
    EXPECT_EQ(Get(u"InputMode"), Variant::I4(mode));
    EXPECT_EQ(InBufferCount(), 0) << "the record took the bytes";
  }
  EXPECT_TRUE(raised.empty());
}

TEST_F(MSCommControl, ScriptModeSendAndEofRecords) {
  Open();
  Put(u"SThreshold", Variant::I2(1));
  Put(u"EOFEnable", Variant::Bool(true));
  ASSERT_TRUE(pa::CallMethod(*control, u"Start_EventForScript"));
  Put(u"Output", Variant::String(u"command"));
  std::vector<Variant> record;
  ASSERT_TRUE(Pump([&] {
    record = NextRecord();
    return !record.empty() && !record[0].IsEmpty();
  }));
  EXPECT_EQ(record[8], Variant::I2(1));
  EXPECT_EQ(record[9], Variant::Bytes({})) << "every OnComm reads Input, even with none waiting";
  EXPECT_EQ(pty.Read(7, 2s), "command");

  // Without RThreshold, only the end-of-file byte is an event, and its record holds the data.
  ASSERT_TRUE(pty.Write("text\x1A"));
  ASSERT_TRUE(Pump([&] {
    record = NextRecord();
    return !record.empty() && !record[0].IsEmpty();
  }));
  EXPECT_EQ(record[8], Variant::I2(7));
  EXPECT_EQ(record[9], Variant::Bytes(Bytes("text\x1A")));
}

TEST_F(MSCommControl, NullDiscardDropsZeroBytes) {
  Put(u"NullDiscard", Variant::Bool(true));
  Open();
  ASSERT_TRUE(pty.Write(std::string("a\0b\0", 4)));
  ASSERT_TRUE(Pump([&] { return InBufferCount() == 2; }));
  EXPECT_EQ(Get(u"Input2"), Variant::String(u"ab"));
}

TEST_F(MSCommControl, WritingInBufferCountEmptiesTheEventQueue) {
  Open();
  Put(u"RThreshold", Variant::I2(1));
  ASSERT_TRUE(pa::CallMethod(*control, u"Start_EventForScript"));
  // Three arrivals, each its own record.
  auto queueThree = [&] {
    for (const char* piece : {"1", "2", "3"}) {
      ASSERT_TRUE(pty.Write(piece));
      PumpFor(40ms);
    }
  };
  queueThree();
  int records = 0;
  while (!NextRecord()[0].IsEmpty()) ++records;
  ASSERT_EQ(records, 3);

  queueThree();
  Put(u"InBufferCount", Variant::I2(0));
  const std::vector<Variant> record = NextRecord();
  ASSERT_EQ(record.size(), 10u);
  for (const Variant& element : record) EXPECT_TRUE(element.IsEmpty());

  // A refused write leaves the queue as it was.
  ASSERT_TRUE(pty.Write("4"));
  PumpFor(40ms);
  EXPECT_EQ(ErrorOfPut(u"InBufferCount", Variant::I2(5)), 380);
  EXPECT_EQ(NextRecord()[9], Variant::Bytes(Bytes("4")));
}

TEST_F(MSCommControl, AnEmptyBagSetsTheFourteenDefaultsInTableOrder) {
  // Move every persisted property off its default first, so that the load is seen.
  Put(u"CommPort", Variant::I2(5));
  Put(u"DTREnable", Variant::Bool(false));
  Put(u"EOFEnable", Variant::Bool(true));
  Put(u"Handshaking", Variant::I4(2));
  Put(u"InBufferSize", Variant::I2(4096));
  Put(u"InputLen", Variant::I2(7));
  Put(u"InputMode", Variant::I4(1));
  Put(u"NullDiscard", Variant::Bool(true));
  Put(u"OutBufferSize", Variant::I2(2048));
  Put(u"ParityReplace", Variant::String(u"#"));
  Put(u"RThreshold", Variant::I2(3));
  Put(u"RTSEnable", Variant::Bool(true));
  Put(u"Settings", Variant::String(u"19200,e,7,2"));
  Put(u"SThreshold", Variant::I2(4));

  auto hooks = pa::QueryInterface<pa::Control>(control);
  ASSERT_TRUE(hooks);
  RecordingBag bag;
  ASSERT_TRUE(hooks->Load(bag));
  // Each persisted property: the default the bag is asked for, in table order, and the value the
  // control then reads back in its own type (the enumerations as 4-byte integers).
  const struct {
    std::u16string name;
    Variant asked;
    Variant readBack;
  } table[] = {
      {u"CommPort", Variant::I2(1), Variant::I2(1)},
      {u"DTREnable", Variant::Bool(true), Variant::Bool(true)},
      {u"EOFEnable", Variant::Bool(false), Variant::Bool(false)},
      {u"Handshaking", Variant::I2(0), Variant::I4(0)},
      {u"InBufferSize", Variant::I2(1024), Variant::I2(1024)},
      {u"InputLen", Variant::I2(0), Variant::I2(0)},
      {u"InputMode", Variant::I2(0), Variant::I4(0)},
      {u"NullDiscard", Variant::Bool(false), Variant::Bool(false)},
      {u"OutBufferSize", Variant::I2(512), Variant::I2(512)},
      {u"ParityReplace", Variant::String(u"?"), Variant::String(u"?")},
      {u"RThreshold", Variant::I2(0), Variant::I2(0)},
      {u"RTSEnable", Variant::Bool(false), Variant::Bool(false)},
      {u"Settings", Variant::String(u"9600,n,8,1"), Variant::String(u"9600,n,8,1")},
      {u"SThreshold", Variant::I2(0), Variant::I2(0)},
  };
  std::vector<std::pair<std::u16string, Variant>> asked;
  for (const auto& row : table) asked.emplace_back(row.name, row.asked);
  EXPECT_EQ(bag.reads, asked);
  // The inner control holds them all, read back in the control's own types.
  for (const auto& row : table) {
    EXPECT_EQ(Get(row.name), row.readBack) << pa::Utf8FromUtf16(row.name);
  }

  // Saving writes the same keys in the same order, with the stored types.
  RecordingBag saved;
  ASSERT_TRUE(hooks->Save(saved));
  ASSERT_EQ(saved.writes.size(), 14u);
  for (std::size_t i = 0; i < std::size(table); ++i) {
    EXPECT_EQ(saved.writes[i].first, table[i].name);
  }
  EXPECT_EQ(saved.writes[0].second, Variant::I2(1));
  EXPECT_EQ(saved.writes[3].second, Variant::I4(0)) << "Handshaking is stored as a 4-byte integer";
  EXPECT_EQ(saved.writes[6].second, Variant::I4(0)) << "InputMode is stored as a 4-byte integer";
  EXPECT_EQ(saved.writes[12].second, Variant::String(u"9600,n,8,1"));
}

TEST_F(MSCommControl, OnlyPersistedPropertiesNotifyTheContainer) {
  auto hooks = pa::QueryInterface<pa::Control>(control);
  ASSERT_TRUE(hooks);
  RecordingSite site;
  hooks->SetSite(&site);
  Put(u"Settings", Variant::String(u"4800,o,8,1"));
  Put(u"RThreshold", Variant::I2(2));
  Open();
  Put(u"Break", Variant::Bool(true));
  Put(u"Break", Variant::Bool(false));
  Put(u"OutBufferCount", Variant::I2(0));
  Put(u"InBufferCount", Variant::I2(0));
  (void)Get(u"Settings");
  (void)Get(u"CTSHolding");
  Put(u"PortOpen", Variant::Bool(false));
  EXPECT_EQ(site.changed, (std::vector<std::u16string>{u"Settings", u"RThreshold", u"CommPort"}));
  // A refused write notifies nothing.
  EXPECT_EQ(ErrorOfPut(u"Settings", Variant::String(u"fast,n,8,1")), 380);
  EXPECT_EQ(ErrorOfPut(u"CommEvent", Variant::I2(2)), 383);
  EXPECT_EQ(site.changed.size(), 3u);
  hooks->SetSite(nullptr);
}

TEST_F(MSCommControl, ErrorsComeBackWithTheirNumbersAndDescriptions) {
  auto status = pa::PutProperty(*control, u"Settings", Variant::String(u"9600,q,8,1"));
  ASSERT_FALSE(status);
  EXPECT_EQ(status.error().number, 380);
  EXPECT_EQ(status.error().description, u"Invalid property value");
  EXPECT_EQ(ErrorOfPut(u"CommPort", Variant::I2(0)), 8002);
  EXPECT_EQ(ErrorOfPut(u"InBufferSize", Variant::I4(40000)), 6) << "no 2-byte integer";
  EXPECT_EQ(ErrorOfGet(u"CDHolding"), 8018);
  Put(u"CommPort", Variant::I2(9));  // no link, and no /dev/ttyS8 here
  status = pa::PutProperty(*control, u"PortOpen", Variant::Bool(true));
  ASSERT_FALSE(status);
  EXPECT_TRUE(status.error().number == 68 || status.error().number == 8005)
      << status.error().number;
}

TEST_F(MSCommControl, UnpluggedPortGivesAnErrorEventThenFailingInput) {
  Open();
  ASSERT_TRUE(pa::CallMethod(*control, u"Start_EventForScript"));
  pty.CloseMaster();
  std::vector<Variant> record;
  ASSERT_TRUE(Pump([&] {
    record = NextRecord();
    return !record.empty() && !record[0].IsEmpty();
  }));
  EXPECT_EQ(record[8], Variant::I2(1011));
  EXPECT_EQ(ErrorOfGet(u"Input2"), 68);
  EXPECT_EQ(ErrorOfPut(u"Output", Variant::String(u"x")), 68);
  EXPECT_EQ(Get(u"PortOpen"), Variant::Bool(true));
  Put(u"PortOpen", Variant::Bool(false));
}

TEST_F(MSCommControl, UnpluggedPortInRaiseModeRaisesOnCommWithTheErrorCode) {
  Open();
  std::vector<Variant> codes;
  onEvent = [&] { codes.push_back(Get(u"CommEvent")); };
  pty.CloseMaster();
  ASSERT_TRUE(Pump([&] { return !codes.empty(); }));
  EXPECT_EQ(codes, std::vector<Variant>{Variant::I2(1011)});
  PumpFor(30ms);
  EXPECT_EQ(codes.size(), 1u);
}

}  // namespace
