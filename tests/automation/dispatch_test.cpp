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
