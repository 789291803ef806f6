#pragma once
// Class objects and the four exports of a library module. A module exports, with C linkage:
//
//   std::int32_t DllGetClassObject(const Guid* clsid, const Guid* iid, void** out);
//   std::int32_t DllCanUnloadNow();
//   std::int32_t DllRegisterServer();
//   std::int32_t DllUnregisterServer();
//
// with the original platform's status codes below. DllGetClassObject gives the class object of
// `clsid` (ask for ClassFactory::kIid); DllCanUnloadNow says kOk when no object of the module is
// alive.

#include <cstdint>
#include <functional>

#include "automation/error.h"
#include "automation/unknown.h"

namespace automation {

using HResult = std::int32_t;
inline constexpr HResult kOk = 0;
inline constexpr HResult kFalse = 1;
inline constexpr HResult kNoInterface = static_cast<HResult>(0x80004002u);
inline constexpr HResult kPointer = static_cast<HResult>(0x80004003u);
inline constexpr HResult kFail = static_cast<HResult>(0x80004005u);
inline constexpr HResult kClassNotAvailable = static_cast<HResult>(0x80040111u);
inline constexpr HResult kRegisterClassFailed = static_cast<HResult>(0x80040201u);

using DllGetClassObjectFunction = HResult (*)(const Guid* clsid, const Guid* iid, void** out);
using DllCanUnloadNowFunction = HResult (*)();
using DllRegisterServerFunction = HResult (*)();
using DllUnregisterServerFunction = HResult (*)();

class ClassFactory : public Unknown {
 public:
  static constexpr Guid kIid{
      0x6E3B0F45, 0x52C7, 0x4D19, {0x9A, 0x1E, 0x40, 0x7C, 0x2B, 0x93, 0xD5, 0x01}};
  // A new object of the class, on the calling thread's apartment.
  virtual Result<Ref<Unknown>> CreateInstance() = 0;

 protected:
  ~ClassFactory() = default;
};

// A class object that makes its objects with `create`. It also answers Apartment::kIid with the
// module's apartment, so that a loader can hand over the host's readiness loop.
using CreateFunction = std::function<Result<Ref<Unknown>>()>;
Ref<ClassFactory> MakeClassFactory(CreateFunction create);

// What a module's DllGetClassObject does with the class object it found for the CLSID (or a
// null one): the interface `iid` of it in *out, and the status code.
HResult ProvideClassObject(Ref<ClassFactory> factory, const Guid* iid, void** out);

}  // namespace automation
