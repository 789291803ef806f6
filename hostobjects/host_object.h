#pragma once
// The base of the host's own objects: a dispatch object whose type information is made from
// the members it adds, once per interface name, so that a host tells properties from methods
// (a script reads `stream.EOS` as a value and calls `fso.FileExists(name)`). Methods check
// their argument count before the handler runs; the optional arguments are the last ones.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "automation/coercion.h"
#include "automation/dispatch_object.h"
#include "automation/text.h"

namespace hostobjects {

using automation::DispId;
using automation::Error;
using automation::Ref;
using automation::Result;
using automation::Status;
using automation::Variant;
using Args = std::span<Variant>;

class HostObject : public automation::DispatchObject {
 public:
  const automation::InterfaceInfo* TypeInfo() override { return typeInfo_; }

 protected:
  explicit HostObject(std::u16string_view interfaceName) : interfaceName_(interfaceName) {}

  // A method with `required` arguments and up to `optional` more.
  void Method(std::u16string name, DispId id, int required, int optional,
              automation::MethodHandler handler);
  // A property without arguments; no `put`: read-only.
  void Property(std::u16string name, DispId id, automation::GetHandler get,
                automation::PutHandler put = nullptr);
  // A property with arguments (Item(key)); the handler sees every kind of call, and for a write
  // the value last.
  void Indexed(std::u16string name, DispId id, int required, int optional,
               automation::DispatchObject::RawHandler handler, bool writable);
  // Makes (or finds) the interface's type information; the last call of a constructor.
  void Finish();

 private:
  struct Pending {
    std::u16string name;
    DispId id;
    automation::MemberKind kind;
    std::uint8_t access;
    int required;
    int optional;
  };
  std::u16string_view interfaceName_;
  std::vector<Pending> pending_;
  const automation::InterfaceInfo* typeInfo_ = nullptr;
};

// ---- Arguments

// Argument `index` with references followed; nullptr when it was not passed or is omitted.
const Variant* Given(Args args, std::size_t index);
Result<std::u16string> StringArgument(Args args, std::size_t index);
Result<std::int32_t> IntArgument(Args args, std::size_t index, std::int32_t otherwise);
Result<bool> BoolArgument(Args args, std::size_t index, bool otherwise);

inline Variant Str(std::u16string text) {
  return Variant::String(std::move(text));
}
inline Variant Obj(Ref<automation::Dispatch> object) {
  return Variant::Object(std::move(object));
}

// UTF-16 text of the scripts and UTF-8 of the file system.
inline std::string Native(std::u16string_view text) {
  return automation::Utf8FromUtf16(text);
}
inline std::u16string Script(std::string_view text) {
  return automation::Utf16FromUtf8(text);
}

}  // namespace hostobjects
