#include "automation/class_factory.h"

#include "automation/apartment.h"

namespace automation {
namespace {

class FunctionClassFactory final : public Object<ClassFactory> {
 public:
  explicit FunctionClassFactory(CreateFunction create) : create_(std::move(create)) {}
  Result<Ref<Unknown>> CreateInstance() override { return create_(); }

 protected:
  void* QueryExtraInterface(const Guid& iid) override {
    if (iid == Apartment::kIid) {
      Apartment& apartment = ModuleApartment();
      apartment.AddRef();
      return static_cast<Apartment*>(&apartment);
    }
    return nullptr;
  }

 private:
  CreateFunction create_;
};

}  // namespace

Ref<ClassFactory> MakeClassFactory(CreateFunction create) {
  return MakeObject<FunctionClassFactory>(std::move(create));
}

HResult ProvideClassObject(Ref<ClassFactory> factory, const Guid* iid, void** out) {
  if (out == nullptr || iid == nullptr) return kPointer;
  *out = nullptr;
  if (!factory) return kClassNotAvailable;
  void* found = factory->QueryInterface(*iid);
  if (found == nullptr) return kNoInterface;
  *out = found;
  return kOk;
}

}  // namespace automation
