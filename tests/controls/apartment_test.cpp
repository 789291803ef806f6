// The apartment: what a control's inner control waits for is watched on the readiness loop of
// the thread that made it, and its events arrive only while the host pumps that loop.

#include "controls/controls_host.h"
#include "controls/inner_members.h"

namespace controls_test {
namespace {

using Apartment = ControlsHost;

TEST_F(Apartment, EventsArriveWhileTheHostPumpsItsOwnLoop) {
  auto winsock = Create(u"Quorvane.Winsock");
  Listen(*winsock, "_SRCIID_WINSOCK");
  Variant event = Variant::I4(inner::SocketEvent(u"Connect"));
  ASSERT_TRUE(inner_->Invoke(kTestArm, pa::InvokeKind::Method, std::span<Variant>(&event, 1)).ok());
  EXPECT_TRUE(events_.empty());
  EXPECT_EQ(loop_.RunOnce(std::chrono::milliseconds(1000)), 1);
  ASSERT_EQ(events_.size(), 1u);
  EXPECT_EQ(events_[0].id, 2);
  EXPECT_EQ(loop_.RunOnce(std::chrono::milliseconds(0)), 0);
}

TEST_F(Apartment, AHostWithoutALoopPumpsTheLibrarysOwn) {
  pa::Loader ownLoops;  // no loop of the host's
  auto created = ownLoops.CreateObject(u"Quorvane.Winsock");
  ASSERT_TRUE(created.ok());
  Ref<pa::Dispatch> winsock = std::move(created).value();
  inner_ = InnerDouble();
  Listen(*winsock, "_SRCIID_WINSOCK");
  Variant event = Variant::I4(inner::SocketEvent(u"SendComplete"));
  ASSERT_TRUE(inner_->Invoke(kTestArm, pa::InvokeKind::Method, std::span<Variant>(&event, 1)).ok());
  // The host's loop of the fixture is not the one watching.
  EXPECT_EQ(loop_.RunOnce(std::chrono::milliseconds(0)), 0);
  EXPECT_TRUE(events_.empty());
  EXPECT_EQ(ownLoops.Pump(std::chrono::milliseconds(1000)), 1);
  ASSERT_EQ(events_.size(), 1u);
  EXPECT_EQ(events_[0].id, 6);
}

TEST_F(Apartment, ALoopIsHandedOnlyWhileItsLoaderLives) {
  {
    platform::PollReadinessLoop shortLived;
    pa::Loader loader(&shortLived);
    ASSERT_TRUE(loader.CreateObject(u"Quorvane.Winsock").ok());
  }
  // Made after that loader went: the library uses its own loop again, not the destroyed one.
  pa::Loader ownLoops;
  auto winsock = ownLoops.CreateObject(u"Quorvane.Winsock");
  ASSERT_TRUE(winsock.ok());
  inner_ = InnerDouble();
  Listen(**winsock, "_SRCIID_WINSOCK");
  Variant event = Variant::I4(inner::SocketEvent(u"Connect"));
  ASSERT_TRUE(inner_->Invoke(kTestArm, pa::InvokeKind::Method, std::span<Variant>(&event, 1)).ok());
  EXPECT_EQ(ownLoops.Pump(std::chrono::milliseconds(1000)), 1);
  EXPECT_EQ(events_.size(), 1u);
}

}  // namespace
}  // namespace controls_test
