#include "automation/type_info.h"

#include <cstdio>

#include "automation/text.h"

namespace automation {

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

namespace {

std::string Hex(std::uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%X", static_cast<unsigned>(value));
  return text;
}

std::string TypeName(const TypeDesc& type) {
  if (!type.enumName.empty()) return Utf8FromUtf16(type.enumName);
  std::string name;
  switch (static_cast<VarType>(type.vt & 0xFFF)) {
    case VarType::Empty:
      name = "void";
      break;
    case VarType::I2:
      name = "I2";
      break;
    case VarType::I4:
      name = "I4";
      break;
    case VarType::R8:
      name = "R8";
      break;
    case VarType::String:
      name = "String";
      break;
    case VarType::Dispatch:
      name = "Object";
      break;
    case VarType::Bool:
      name = "Boolean";
      break;
    case VarType::UI1:
      name = "Byte";
      break;
    default:
      name = "Variant";
      break;
  }
  if (type.vt & kVtArray) name += "()";
  return name;
}

void DescribeInterface(std::string& out, const InterfaceInfo& info) {
  out += "interface " + Utf8FromUtf16(info.name) + " " + FormatGuid(info.iid) + " flags " +
         Hex(info.flags) + "\n";
  for (const MemberInfo& member : info.members) {
    out += "  ";
    out += member.kind == MemberKind::Property ? "property " : "method ";
    out += Utf8FromUtf16(member.name) + " " + Hex(static_cast<std::uint32_t>(member.dispId));
    if (member.kind == MemberKind::Property) {
      if (member.access & kAccessGet) out += " get";
      if (member.access & kAccessPut) out += " put";
    } else {
      out += " (";
      for (std::size_t i = 0; i < member.params.size(); ++i) {
        const ParamInfo& param = member.params[i];
        if (i) out += ", ";
        std::string flags = param.byRef ? "in, out" : "in";
        if (param.optional) flags += ", optional";
        out += "[" + flags + "] " + Utf8FromUtf16(param.name) + ": " + TypeName(param.type);
      }
      out += ")";
    }
    out += " : " + TypeName(member.result) + "\n";
  }
}

}  // namespace

std::string DescribeTypeLib(const TypeLibInfo& library) {
  std::string out = "library " + Utf8FromUtf16(library.name) + " \"" +
                    Utf8FromUtf16(library.helpString) + "\" " + FormatGuid(library.libid) + " " +
                    std::to_string(library.majorVersion) + "." +
                    std::to_string(library.minorVersion) + " lcid " + std::to_string(library.lcid) +
                    " flags " + Hex(library.flags) + "\n";
  out += "importlib stdole2.tlb\n";
  for (const InterfaceInfo* info : library.interfaces) DescribeInterface(out, *info);
  for (const ClassInfo& c : library.classes) {
    out +=
        "coclass " + Utf8FromUtf16(c.name) + " " + FormatGuid(c.clsid) + " flags " + Hex(c.flags);
    if (c.defaultInterface) out += " default " + Utf8FromUtf16(c.defaultInterface->name);
    if (c.eventInterface) out += " source " + Utf8FromUtf16(c.eventInterface->name);
    out += "\n";
  }
  for (const EnumInfo& e : library.enums) {
    out += "enum " + Utf8FromUtf16(e.name);
    for (const EnumMember& member : e.members) {
      out += " " + Utf8FromUtf16(member.name) + "=" + std::to_string(member.value);
    }
    out += "\n";
  }
  return out;
}

}  // namespace automation
