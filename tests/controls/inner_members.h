#pragma once
// The DISPIDs of the inner components' members and events, found by name in the components' own
// tables, so that the tests drive the doubles under the numbers the components use.

#include <string_view>

#include "automation/type_info.h"
#include "components/comm/comm_members.h"
#include "components/socket/socket_members.h"

namespace controls_test::inner {

inline automation::DispId IdIn(const automation::InterfaceInfo& table, std::u16string_view name) {
  const automation::MemberInfo* member = automation::FindMember(table, name);
  return member ? member->dispId : automation::kDispIdUnknown;
}

inline automation::DispId Socket(std::u16string_view name) {
  return IdIn(*components::winsock::members::kClass.defaultInterface, name);
}
inline automation::DispId SocketEvent(std::u16string_view name) {
  return IdIn(*components::winsock::members::kClass.eventInterface, name);
}
inline automation::DispId Comm(std::u16string_view name) {
  return IdIn(*components::comm::members::kClass.defaultInterface, name);
}
inline automation::DispId CommEvent(std::u16string_view name) {
  return IdIn(*components::comm::members::kClass.eventInterface, name);
}

}  // namespace controls_test::inner
