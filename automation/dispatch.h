#pragma once
// The dispatch interface: members found by name without regard to case, called by DISPID as a
// method, a property read or a property write, with the arguments in the caller's order (first
// argument first; for a property write the new value is the last argument). A by-reference
// argument is a Variant::ByRef to the caller's variable, which the callee may write.

#include <initializer_list>
#include <span>
#include <string_view>
#include <vector>

#include "automation/error.h"
#include "automation/type_info.h"
#include "automation/unknown.h"
#include "automation/variant.h"

namespace automation {

enum class InvokeKind : std::uint8_t { Method = 1, PropertyGet = 2, PropertyPut = 4 };

class Dispatch : public Unknown {
 public:
  static constexpr Guid kIid{
      0x6E3B0F42, 0x52C7, 0x4D19, {0x9A, 0x1E, 0x40, 0x7C, 0x2B, 0x93, 0xD5, 0x01}};

  // Error 438 when the object has no such member.
  virtual Result<DispId> GetIdOfName(std::u16string_view name) = 0;
  // A method returns Empty when it has no result; a property write returns Empty. A member that
  // is a property may also be called as a method to read it (as scripts do); a method may not
  // be written. Error 438 for an unknown DISPID, 450 for a wrong number of arguments.
  virtual Result<Variant> Invoke(DispId id, InvokeKind kind, std::span<Variant> args) = 0;
  // The object's interface description, or nullptr when it has none.
  virtual const InterfaceInfo* TypeInfo() = 0;

 protected:
  ~Dispatch() = default;
};

// Calls by name: GetIdOfName, then Invoke.
Result<Variant> CallMethod(Dispatch& object, std::u16string_view name, std::span<Variant> args);
Result<Variant> CallMethod(Dispatch& object, std::u16string_view name,
                           std::initializer_list<Variant> args = {});
Result<Variant> GetProperty(Dispatch& object, std::u16string_view name);
Status PutProperty(Dispatch& object, std::u16string_view name, Variant value);
// By DISPID.
Result<Variant> GetProperty(Dispatch& object, DispId id);
Status PutProperty(Dispatch& object, DispId id, Variant value);

}  // namespace automation
