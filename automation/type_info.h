#pragma once
// Type information as plain constant data: a library's interfaces with every member (DISPID,
// kind, parameters with names, types, optional and by-reference flags, result type), its
// enumerations and its classes. Tables are written as constexpr arrays and referred to through
// spans, so the type information of a library is data in its source, not code.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "automation/guid.h"
#include "automation/variant.h"

namespace automation {

using DispId = std::int32_t;
inline constexpr DispId kDispIdUnknown = -1;
inline constexpr DispId kDispIdValue = 0;  // the default member

// A type: a type number of the original platform (VarType, with kVtArray/kVtByRef where they
// apply), and for an enumeration-typed member the enumeration's name.
struct TypeDesc {
  std::uint16_t vt = static_cast<std::uint16_t>(VarType::Empty);  // Empty = no value (void)
  std::u16string_view enumName{};
};
inline constexpr TypeDesc kVoid{};
constexpr TypeDesc Type(VarType t) {
  return {static_cast<std::uint16_t>(t), {}};
}

struct ParamInfo {
  std::u16string_view name;
  TypeDesc type;
  bool optional = false;
  bool byRef = false;
};

enum class MemberKind : std::uint8_t { Method, Property };
// Accessors of a property.
inline constexpr std::uint8_t kAccessGet = 1;
inline constexpr std::uint8_t kAccessPut = 2;

struct MemberInfo {
  std::u16string_view name;
  DispId dispId;
  MemberKind kind;
  std::uint8_t access;  // properties: kAccessGet | kAccessPut; methods: 0
  TypeDesc result;      // the property's type, or the method's result (kVoid for none)
  std::span<const ParamInfo> params{};
};

// Interface flags, as the type library marks them.
inline constexpr std::uint32_t kInterfaceDual = 0x40;
inline constexpr std::uint32_t kInterfaceHidden = 0x10;
inline constexpr std::uint32_t kInterfaceNonExtensible = 0x80;
inline constexpr std::uint32_t kInterfaceAutomation = 0x100;
inline constexpr std::uint32_t kInterfaceDispinterface = 0x1000;  // an event interface

struct InterfaceInfo {
  std::u16string_view name;
  Guid iid;
  std::uint32_t flags;
  std::span<const MemberInfo> members;
};

struct EnumMember {
  std::u16string_view name;
  std::int32_t value;
};
struct EnumInfo {
  std::u16string_view name;
  std::span<const EnumMember> members;
};

// Class flags.
inline constexpr std::uint32_t kClassControl = 0x20;
inline constexpr std::uint32_t kClassCanCreate = 0x2;

struct ClassInfo {
  std::u16string_view name;
  Guid clsid;
  std::uint32_t flags;
  const InterfaceInfo* defaultInterface;  // flag default
  const InterfaceInfo* eventInterface;    // flags default and source
};

// Type library flags.
inline constexpr std::uint32_t kLibraryControl = 0x2;

struct TypeLibInfo {
  std::u16string_view name;
  std::u16string_view helpString;
  Guid libid;
  std::uint16_t majorVersion;
  std::uint16_t minorVersion;
  std::uint32_t lcid;
  std::uint32_t flags;
  std::span<const ClassInfo> classes;
  std::span<const InterfaceInfo* const> interfaces;
  std::span<const EnumInfo> enums;
};

// The member named `name` (without regard to case) with the given kind; for a property any
// accessor. nullptr when there is none.
const MemberInfo* FindMember(const InterfaceInfo& info, std::u16string_view name);
const MemberInfo* FindMember(const InterfaceInfo& info, DispId id);

// The type library as text, one declaration per line, for the library's "TYPELIB" resource and
// for people reading it:
//   library Quorvane "Quorvane" {libid} 17.0 lcid 0 flags 0x2
//   interface _Winsock {iid} flags 0x1d0
//     property LocalPort 0x68030006 get put : I4
//     method Connect 0x60030018 ([in, optional] RemoteHost: Variant, ...) : void
//   coclass Winsock {clsid} flags 0x22 default _Winsock source __Winsock
//   enum ProtocolConstants sckTCPProtocol=0 sckUDPProtocol=1
std::string DescribeTypeLib(const TypeLibInfo& library);

}  // namespace automation
