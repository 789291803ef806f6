#include "platform/automation/type_info.h"

#include "platform/automation/text.h"

namespace platform::automation {

const MemberInfo* FindMember(const InterfaceInfo& info, std::u16string_view name) {
  for (const MemberInfo& member : info.members) {
    if (SameNameIgnoringCase(member.name, name)) return &member;
  }
  return nullptr;
}

const MemberInfo* FindMember(const InterfaceInfo& info, DispId id) {
  for (const MemberInfo& member : info.members) {
    if (member.dispId == id) return &member;
  }
  return nullptr;
}

}  // namespace platform::automation
