#include <gtest/gtest.h>

#include "automation/connection_point.h"
#include "automation/control.h"
#include "automation/dispatch_object.h"

namespace pa = automation;
using pa::Variant;

namespace {

constexpr pa::Guid kEvents{0x11111111, 0x2222, 0x3333, {1, 2, 3, 4, 5, 6, 7, 8}};

// A small object with one property, one method and one event with a by-reference argument.
class Counter final : public pa::DispatchObject {
 public:
  Counter() {
    AddEventInterface(kEvents);
    AddProperty(
        u"Value", 1, [this] { return pa::Result<Variant>(Variant::I4(value_)); },
        [this](const Variant& v) -> pa::Status {
          auto n = pa::ToI4(v);
          if (!n) return n.error();
          value_ = *n;
          return pa::Status::Ok();
        });
    AddProperty(u"Twice", 2, [this] { return pa::Result<Variant>(Variant::I4(2 * value_)); });
    AddMethod(u"Add", 3, [this](std::span<Variant> args) -> pa::Result<Variant> {
      if (pa::Status s = pa::CheckArgumentCount(args, 1, 2); !s) return s.error();
      auto n = pa::ToI4(args[0]);
      if (!n) return n.error();
      value_ += *n;
      // An optional second argument receives the new value by reference.
      if (args.size() > 1 && args[1].IsByRef()) args[1].Deref() = Variant::I4(value_);
      return Variant::I4(value_);
    });
  }
  // Raises event 7 with a by-reference text and returns what the sinks left in it.
  std::u16string Ask() {
    Variant text = Variant::String(u"question");
    Variant args[] = {Variant::ByRef(text)};
    (void)Fire(7, args);
    return text.AsString();
  }

 private:
  std::int32_t value_ = 0;
};

TEST(DispatchObject, NamesWithoutCaseAndCallsByDispid) {
  auto counter = pa::MakeObject<Counter>();
  pa::Dispatch& object = *counter;
  auto id = object.GetIdOfName(u"vALUE");
  ASSERT_TRUE(id.ok());
  EXPECT_EQ(*id, 1);
  EXPECT_EQ(object.GetIdOfName(u"Nope").error().number, pa::kErrNoSuchMember);

  ASSERT_TRUE(pa::PutProperty(object, 1, Variant::String(u"40")).ok());
  Variant result;
  Variant args[] = {Variant::I2(2), Variant::ByRef(result)};
  auto sum = object.Invoke(3, pa::InvokeKind::Method, args);
  ASSERT_TRUE(sum.ok());
  EXPECT_EQ(sum->AsI4(), 42);
  EXPECT_EQ(result.AsI4(), 42);
  EXPECT_EQ(pa::GetProperty(object, u"twice")->AsI4(), 84);
}

TEST(DispatchObject, ErrorsComeBackAsValues) {
  auto counter = pa::MakeObject<Counter>();
  pa::Dispatch& object = *counter;
  EXPECT_EQ(pa::PutProperty(object, u"Twice", Variant::I4(1)).error().number,
            pa::kErrPropertyIsReadOnly);
  EXPECT_EQ(pa::CallMethod(object, u"Add", {}).error().number, pa::kErrWrongArgumentCount);
  EXPECT_EQ(pa::CallMethod(object, u"Add", {Variant::String(u"x")}).error().number,
            pa::kErrTypeMismatch);
  EXPECT_EQ(object.Invoke(99, pa::InvokeKind::Method, {}).error().number, pa::kErrNoSuchMember);
  EXPECT_EQ(pa::PutProperty(object, u"Add", Variant::I4(1)).error().number, pa::kErrNoSuchMember);
}

// An object bound to a table: the table gives the DISPIDs, the kinds, the accessors and a
// method's argument count; the handlers each side has or lacks are reported.
constexpr pa::ParamInfo kStepParams[] = {{u"by", pa::Type(pa::VarType::I4)},
                                         {u"times", pa::Type(pa::VarType::I4), true}};
constexpr pa::MemberInfo kTableMembers[] = {
    {u"Count", 10, pa::MemberKind::Property, pa::kAccessGet, pa::Type(pa::VarType::I4)},
    {u"Step", 11, pa::MemberKind::Method, 0, pa::kVoid, kStepParams},
    {u"Limit", 12, pa::MemberKind::Property, pa::kAccessGet | pa::kAccessPut,
     pa::Type(pa::VarType::I4)},
    {u"Reset", 13, pa::MemberKind::Method, 0, pa::kVoid},
};
constexpr pa::MemberInfo kTableEvents[] = {{u"Stepped", 3, pa::MemberKind::Method, 0, pa::kVoid}};
constexpr pa::InterfaceInfo kTable{u"_Table", {0x1, 0x2, 0x3, {1}}, 0, kTableMembers};
constexpr pa::InterfaceInfo kTableEventInterface{u"__Table", kEvents, 0, kTableEvents};

// Which handlers to leave out or add beside the table, to see each mismatch reported.
struct Binding {
  bool limitPut = true;  // Limit's write handler
  bool reset = true;     // Reset's handler
  bool stray = false;    // a handler for a name the table does not list
  bool countAsMethod = false;
};

class Table final : public pa::DispatchObject {
 public:
  explicit Table(Binding binding) : DispatchObject(&kTable) {
    AddEventInterface(kTableEventInterface);
    if (binding.countAsMethod) {
      AddMethod(u"Count", [](std::span<Variant>) -> pa::Result<Variant> { return Variant(); });
    } else {
      AddProperty(u"Count", [this]() -> pa::Result<Variant> { return Variant::I4(count_); });
    }
    AddMethod(u"Step", [this](std::span<Variant> args) -> pa::Result<Variant> {
      ++count_;
      calls_.push_back(args.size());
      return Fire(u"Stepped", {}).AndThen([]() -> pa::Result<Variant> { return Variant(); });
    });
    pa::PutHandler put;
    if (binding.limitPut) put = [](const Variant&) { return pa::Status::Ok(); };
    AddProperty(
        u"Limit", [] { return pa::Result<Variant>(Variant::I4(9)); }, put);
    if (binding.reset) {
      AddMethod(u"Reset", [this](std::span<Variant>) -> pa::Result<Variant> {
        count_ = 0;
        return Variant();
      });
    }
    if (binding.stray) {
      AddMethod(u"Extra", [](std::span<Variant>) -> pa::Result<Variant> { return Variant(); });
    }
  }
  std::vector<std::size_t> calls_;

 private:
  std::int32_t count_ = 0;
};

TEST(DispatchObject, MembersBoundByNameTakeTheTablesDispidsAndArgumentCounts) {
  auto table = pa::MakeObject<Table>(Binding{});
  EXPECT_TRUE(table->MemberMismatches().empty());
  EXPECT_TRUE(table->CheckMemberTable().ok());
  EXPECT_EQ(*table->GetIdOfName(u"step"), 11);
  EXPECT_EQ(*table->GetIdOfName(u"Reset"), 13);

  int events = 0;
  auto sink = pa::MakeEventSink([&](pa::DispId id, std::span<Variant>) {
    events += id == 3;
    return pa::Status::Ok();
  });
  auto advisory = pa::Advisory::Connect(*table, kEvents, sink);
  ASSERT_TRUE(advisory.ok());
  // One required argument and one optional: none, or three, are refused before the handler.
  Variant one[] = {Variant::I4(1)};
  Variant two[] = {Variant::I4(1), Variant::I4(2)};
  Variant three[] = {Variant::I4(1), Variant::I4(2), Variant::I4(3)};
  EXPECT_EQ(table->Invoke(11, pa::InvokeKind::Method, {}).error().number,
            pa::kErrWrongArgumentCount);
  EXPECT_EQ(table->Invoke(11, pa::InvokeKind::Method, three).error().number,
            pa::kErrWrongArgumentCount);
  EXPECT_TRUE(table->Invoke(11, pa::InvokeKind::Method, one).ok());
  EXPECT_TRUE(table->Invoke(11, pa::InvokeKind::Method, two).ok());
  EXPECT_EQ(table->calls_, (std::vector<std::size_t>{1, 2}));
  EXPECT_EQ(events, 2) << "raised by name under the event table's DISPID";
  EXPECT_EQ(*pa::GetProperty(*table, u"Count"), Variant::I4(2));
  EXPECT_EQ(pa::PutProperty(*table, u"Count", Variant::I4(0)).error().number,
            pa::kErrPropertyIsReadOnly);
}

TEST(DispatchObject, EveryMemberThatOneSideHasAndTheOtherLacksIsReported) {
  const struct {
    const char* what;
    Binding binding;
    std::u16string expected;
  } cases[] = {
      {"a table member without a handler", {.reset = false}, u"Reset: no handler"},
      {"a handler the table does not list", {.stray = true}, u"Extra: not in the table"},
      {"a write handler missing", {.limitPut = false}, u"Limit: other accessors than the table's"},
      {"a method where the table has a property",
       {.countAsMethod = true},
       u"Count: a property in the table"},
  };
  for (const auto& c : cases) {
    auto table = pa::MakeObject<Table>(c.binding);
    EXPECT_EQ(table->MemberMismatches(), std::vector<std::u16string>{c.expected}) << c.what;
    pa::Status check = table->CheckMemberTable();
    ASSERT_FALSE(check.ok()) << c.what;
    EXPECT_EQ(check.error().number, pa::kErrNoSuchMember);
    EXPECT_EQ(check.error().description, u"_Table." + c.expected) << c.what;
  }
}

TEST(Results, AndThenRunsTheNextStepOnlyAfterASuccess) {
  int ran = 0;
  auto next = [&](std::int32_t n) -> pa::Result<std::int32_t> {
    ++ran;
    return n + 1;
  };
  EXPECT_EQ(*pa::ToI4(Variant::I2(4)).AndThen(next), 5);
  auto failed = pa::ToI4(Variant::String(u"x")).AndThen(next);
  ASSERT_FALSE(failed.ok());
  EXPECT_EQ(failed.error().number, pa::kErrTypeMismatch);
  EXPECT_EQ(ran, 1);
  pa::Status stopped = pa::Status(pa::MakeError(pa::kErrOverflow)).AndThen([&] {
    ++ran;
    return pa::Status::Ok();
  });
  EXPECT_EQ(stopped.error().number, pa::kErrOverflow);
  EXPECT_EQ(ran, 1);
  auto text = pa::ToI4(Variant::I2(7)).Transform([](std::int32_t n) { return n * 2; });
  EXPECT_EQ(*text, 14);
}

TEST(ConnectionPoint, SinksReceiveEventsAndWriteBackByReference) {
  auto counter = pa::MakeObject<Counter>();
  std::vector<pa::DispId> seen;
  auto sink = pa::MakeEventSink([&seen](pa::DispId id, std::span<Variant> args) -> pa::Status {
    seen.push_back(id);
    args[0].Deref() = Variant::String(u"answer");
    return pa::Status::Ok();
  });
  {
    auto advisory = pa::Advisory::Connect(*counter, kEvents, sink);
    ASSERT_TRUE(advisory.ok());
    EXPECT_EQ(counter->Ask(), u"answer");
  }
  // Unadvised when the advisory went.
  EXPECT_EQ(counter->Ask(), u"question");
  EXPECT_EQ(seen, std::vector<pa::DispId>{7});

  constexpr pa::Guid kOther{0x99, 0, 0, {}};
  EXPECT_FALSE(pa::Advisory::Connect(*counter, kOther, sink).ok());
}

TEST(ConnectionPoint, ASinkMayUnadviseItselfDuringAnEvent) {
  auto counter = pa::MakeObject<Counter>();
  pa::Advisory advisory;
  int calls = 0;
  auto sink = pa::MakeEventSink([&](pa::DispId, std::span<Variant>) -> pa::Status {
    ++calls;
    advisory.Disconnect();
    return pa::Status::Ok();
  });
  advisory = std::move(pa::Advisory::Connect(*counter, kEvents, sink)).value();
  counter->Ask();
  counter->Ask();
  EXPECT_EQ(calls, 1);
}

TEST(Objects, ReferencesAreCountedAndInterfacesFound) {
  std::int64_t before = pa::LiveObjects();
  {
    auto counter = pa::MakeObject<Counter>();
    EXPECT_EQ(pa::LiveObjects(), before + 1);
    auto dispatch = pa::QueryInterface<pa::Dispatch>(counter);
    auto container = pa::QueryInterface<pa::ConnectionPointContainer>(counter);
    EXPECT_TRUE(dispatch);
    EXPECT_TRUE(container);
    EXPECT_FALSE(pa::QueryInterface<pa::Control>(counter));
  }
  EXPECT_EQ(pa::LiveObjects(), before);
}

}  // namespace
