// Both components' dispatch adapters against their member tables: each adapter is created only
// when every member of its table has its handler and every handler its member, and each member
// is then found under the table's DISPID; the class information names the event interface the
// controls connect to.

#include <gtest/gtest.h>

#include "automation/class_info.h"
#include "automation/connection_point.h"
#include "automation/text.h"
#include "components/comm/comm_dispatch.h"
#include "components/socket/socket_dispatch.h"

namespace {

namespace pa = automation;

void ExpectEveryMemberBound(pa::Result<pa::Ref<pa::Dispatch>> created,
                            const pa::ClassInfo& expected) {
  ASSERT_TRUE(created.ok()) << pa::Utf8FromUtf16(created.error().description);
  pa::Dispatch& object = **created;
  ASSERT_EQ(object.TypeInfo(), expected.defaultInterface);
  for (const pa::MemberInfo& member : expected.defaultInterface->members) {
    auto id = object.GetIdOfName(member.name);
    ASSERT_TRUE(id.ok()) << pa::Utf8FromUtf16(member.name);
    EXPECT_EQ(*id, member.dispId) << pa::Utf8FromUtf16(member.name);
  }
  auto classInfo = pa::QueryInterface<pa::ProvideClassInfo>(created->get());
  ASSERT_TRUE(classInfo);
  EXPECT_EQ(&classInfo->GetClassInfo(), &expected);
  auto container = pa::QueryInterface<pa::ConnectionPointContainer>(created->get());
  ASSERT_TRUE(container);
  EXPECT_NE(container->FindConnectionPoint(expected.eventInterface->iid), nullptr);
}

TEST(DispatchTables, EachAdapterBindsExactlyTheMembersOfItsTable) {
  platform::PollReadinessLoop loop;
  ExpectEveryMemberBound(components::CreateSocketComponent(loop),
                         components::winsock::members::kClass);
  ExpectEveryMemberBound(components::CreateCommComponent(loop), components::comm::members::kClass);
}

}  // namespace
