#include "automation/dispatch.h"

namespace automation {

Result<Variant> CallMethod(Dispatch& object, std::u16string_view name, std::span<Variant> args) {
  auto id = object.GetIdOfName(name);
  if (!id) return id.error();
  return object.Invoke(*id, InvokeKind::Method, args);
}

Result<Variant> CallMethod(Dispatch& object, std::u16string_view name,
                           std::initializer_list<Variant> args) {
  std::vector<Variant> list(args);
  return CallMethod(object, name, std::span<Variant>(list));
}

Result<Variant> GetProperty(Dispatch& object, DispId id) {
  return object.Invoke(id, InvokeKind::PropertyGet, {});
}

Status PutProperty(Dispatch& object, DispId id, Variant value) {
  auto result = object.Invoke(id, InvokeKind::PropertyPut, std::span<Variant>(&value, 1));
  return result.status();
}

Result<Variant> GetProperty(Dispatch& object, std::u16string_view name) {
  auto id = object.GetIdOfName(name);
  if (!id) return id.error();
  return GetProperty(object, *id);
}

Status PutProperty(Dispatch& object, std::u16string_view name, Variant value) {
  auto id = object.GetIdOfName(name);
  if (!id) return id.error();
  return PutProperty(object, *id, std::move(value));
}

}  // namespace automation
