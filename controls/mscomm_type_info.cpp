// The type information of the MSComm control.

#include "controls/identity.h"
#include "controls/type_library.h"

namespace controls {
namespace {

using namespace automation;  // NOLINT: a data table of this layer's types

constexpr std::uint8_t kGetPut = kAccessGet | kAccessPut;
constexpr TypeDesc kI2 = Type(VarType::I2);
constexpr TypeDesc kI4 = Type(VarType::I4);
constexpr TypeDesc kStr = Type(VarType::String);
constexpr TypeDesc kBool = Type(VarType::Bool);
constexpr TypeDesc kVar = Type(VarType::Variant);
constexpr TypeDesc kHandshake{static_cast<std::uint16_t>(VarType::I4), u"HandshakeConstants"};
constexpr TypeDesc kInputModeType{static_cast<std::uint16_t>(VarType::I4), u"InputModeConstants"};

constexpr ParamInfo kDataParam[] = {{u"data", kVar}};

// Every property has both accessors; what the inner control refuses comes back as its error.
constexpr MemberInfo kMembers[] = {
    {u"Break", 0x68030018, MemberKind::Property, kGetPut, kBool},
    {u"CDHolding", 0x68030017, MemberKind::Property, kGetPut, kBool},
    {u"CommEvent", 0x68030016, MemberKind::Property, kGetPut, kI2},
    {u"CommID", 0x68030015, MemberKind::Property, kGetPut, kI4},
    {u"CommPort", 0x68030014, MemberKind::Property, kGetPut, kI2},
    {u"CTSHolding", 0x68030013, MemberKind::Property, kGetPut, kBool},
    {u"DSRHolding", 0x68030012, MemberKind::Property, kGetPut, kBool},
    {u"DTREnable", 0x68030011, MemberKind::Property, kGetPut, kBool},
    {u"EOFEnable", 0x68030010, MemberKind::Property, kGetPut, kBool},
    {u"Handshaking", 0x6803000F, MemberKind::Property, kGetPut, kHandshake},
    {u"InBufferCount", 0x6803000E, MemberKind::Property, kGetPut, kI2},
    {u"InBufferSize", 0x6803000D, MemberKind::Property, kGetPut, kI2},
    {u"Input2", 0x6803000C, MemberKind::Property, kGetPut, kVar},
    {u"InputLen", 0x6803000B, MemberKind::Property, kGetPut, kI2},
    {u"InputMode", 0x6803000A, MemberKind::Property, kGetPut, kInputModeType},
    {u"NullDiscard", 0x68030009, MemberKind::Property, kGetPut, kBool},
    {u"OutBufferCount", 0x68030008, MemberKind::Property, kGetPut, kI2},
    {u"OutBufferSize", 0x68030007, MemberKind::Property, kGetPut, kI2},
    {u"Output", 0x68030006, MemberKind::Property, kGetPut, kVar},
    {u"ParityReplace", 0x68030005, MemberKind::Property, kGetPut, kStr},
    {u"PortOpen", 0x68030004, MemberKind::Property, kGetPut, kBool},
    {u"RThreshold", 0x68030003, MemberKind::Property, kGetPut, kI2},
    {u"RTSEnable", 0x68030002, MemberKind::Property, kGetPut, kBool},
    {u"Settings", 0x68030001, MemberKind::Property, kGetPut, kStr},
    {u"SThreshold", 0x68030000, MemberKind::Property, kGetPut, kI2},
    {u"Start_EventForScript", 0x6003001E, MemberKind::Method, 0, kVoid},
    {u"End_EventForScript", 0x6003001F, MemberKind::Method, 0, kVoid},
    {u"GetEventParameters", 0x60030020, MemberKind::Method, 0, kVar},
    {u"ByteArrayToStr", 0x60030021, MemberKind::Method, 0, kVar, kDataParam},
    {u"ByteArrayToHex", 0x60030022, MemberKind::Method, 0, kVar, kDataParam},
    {u"StrToByteArray", 0x60030023, MemberKind::Method, 0, kVar, kDataParam},
    {u"HexToByteArray", 0x60030024, MemberKind::Method, 0, kVar, kDataParam},
};

constexpr MemberInfo kEvents[] = {
    {u"OnComm", 1, MemberKind::Method, 0, kVoid},
};

}  // namespace

const InterfaceInfo kMSCommInterface{
    u"_MSComm", kMSCommIid,
    kInterfaceDual | kInterfaceHidden | kInterfaceNonExtensible | kInterfaceAutomation, kMembers};
const InterfaceInfo kMSCommEvents{
    u"__MSComm", kMSCommEventsIid,
    kInterfaceDispinterface | kInterfaceHidden | kInterfaceNonExtensible, kEvents};

}  // namespace controls
