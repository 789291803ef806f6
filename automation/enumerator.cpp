#include "automation/enumerator.h"

#include <algorithm>

#include "automation/dispatch_object.h"

namespace automation {
namespace {

class ListEnumerator final : public DispatchObject, public EnumVariant {
 public:
  explicit ListEnumerator(std::vector<Variant> items) : items_(std::move(items)) {}

  // One reference count and one QueryInterface for both interfaces.
  void* QueryInterface(const Guid& iid) override { return DispatchObject::QueryInterface(iid); }
  std::uint32_t AddRef() override { return DispatchObject::AddRef(); }
  std::uint32_t Release() override { return DispatchObject::Release(); }

  std::vector<Variant> Next(std::size_t count) override {
    const std::size_t end = std::min(items_.size(), next_ + count);
    std::vector<Variant> out(items_.begin() + static_cast<std::ptrdiff_t>(next_),
                             items_.begin() + static_cast<std::ptrdiff_t>(end));
    next_ = end;
    return out;
  }
  void Reset() override { next_ = 0; }

 protected:
  void* QueryExtraInterface(const Guid& iid) override {
    if (iid != EnumVariant::kIid) return nullptr;
    AddRef();
    return static_cast<EnumVariant*>(this);
  }

 private:
  ~ListEnumerator() override = default;
  std::vector<Variant> items_;
  std::size_t next_ = 0;
};

}  // namespace

Ref<Dispatch> MakeListEnumerator(std::vector<Variant> items) {
  return MakeObject<ListEnumerator>(std::move(items));
}

Result<std::vector<Variant>> EnumerateAll(Dispatch& collection) {
  auto made = collection.Invoke(kDispIdNewEnum, InvokeKind::PropertyGet, {});
  if (!made) return made.error();
  const Variant& value = made->Deref();
  if (value.Type() != VarType::Dispatch || value.IsArray() || value.AsObject() == nullptr) {
    return MakeError(kErrNoSuchMember);
  }
  auto enumerator = QueryInterface<EnumVariant>(value.AsObject());
  if (!enumerator) return MakeError(kErrNoSuchMember);
  std::vector<Variant> all;
  for (;;) {
    std::vector<Variant> some = enumerator->Next(64);
    if (some.empty()) break;
    for (Variant& item : some) all.push_back(std::move(item));
  }
  return all;
}

}  // namespace automation
