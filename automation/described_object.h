#pragma once
// A dispatch object whose class is described as data: its interface table gives the members, its
// event interface the events, and hosts (or an outer control) read the class through
// ProvideClassInfo, which is how they learn the object's event interface without naming it.

#include "automation/class_info.h"
#include "automation/dispatch_object.h"

namespace automation {

class DescribedObject : public DispatchObject, public ProvideClassInfo {
 public:
  // Unknown, once for both interfaces.
  void* QueryInterface(const Guid& iid) override { return DispatchObject::QueryInterface(iid); }
  std::uint32_t AddRef() override { return DispatchObject::AddRef(); }
  std::uint32_t Release() override { return DispatchObject::Release(); }

  // The class, with the data of the object's module.
  const ClassInfo& GetClassInfo() override { return class_; }

 protected:
  // `info` and its interfaces live as long as the module.
  explicit DescribedObject(const ClassInfo& info)
      : DispatchObject(info.defaultInterface), class_(info) {
    if (info.eventInterface) AddEventInterface(*info.eventInterface);
  }
  ~DescribedObject() override = default;

  void* QueryExtraInterface(const Guid& iid) override {
    if (iid != ProvideClassInfo::kIid) return nullptr;
    AddRef();
    return static_cast<ProvideClassInfo*>(this);
  }

 private:
  const ClassInfo& class_;
};

}  // namespace automation
