// The type information of the MSComm control.

#include "controls/identity.h"
#include "controls/mscomm_members.h"
#include "controls/type_library.h"

namespace controls {
namespace {

using namespace automation;        // NOLINT: a data table of this layer's types
using namespace controls::mscomm;  // NOLINT

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
    {u"Break", kBreak, MemberKind::Property, kGetPut, kBool},
    {u"CDHolding", kCDHolding, MemberKind::Property, kGetPut, kBool},
    {u"CommEvent", kCommEvent, MemberKind::Property, kGetPut, kI2},
    {u"CommID", kCommID, MemberKind::Property, kGetPut, kI4},
    {u"CommPort", kCommPort, MemberKind::Property, kGetPut, kI2},
    {u"CTSHolding", kCTSHolding, MemberKind::Property, kGetPut, kBool},
    {u"DSRHolding", kDSRHolding, MemberKind::Property, kGetPut, kBool},
    {u"DTREnable", kDTREnable, MemberKind::Property, kGetPut, kBool},
    {u"EOFEnable", kEOFEnable, MemberKind::Property, kGetPut, kBool},
    {u"Handshaking", kHandshaking, MemberKind::Property, kGetPut, kHandshake},
    {u"InBufferCount", kInBufferCount, MemberKind::Property, kGetPut, kI2},
    {u"InBufferSize", kInBufferSize, MemberKind::Property, kGetPut, kI2},
    {u"Input2", kInput2, MemberKind::Property, kGetPut, kVar},
    {u"InputLen", kInputLen, MemberKind::Property, kGetPut, kI2},
    {u"InputMode", kInputMode, MemberKind::Property, kGetPut, kInputModeType},
    {u"NullDiscard", kNullDiscard, MemberKind::Property, kGetPut, kBool},
    {u"OutBufferCount", kOutBufferCount, MemberKind::Property, kGetPut, kI2},
    {u"OutBufferSize", kOutBufferSize, MemberKind::Property, kGetPut, kI2},
    {u"Output", kOutput, MemberKind::Property, kGetPut, kVar},
    {u"ParityReplace", kParityReplace, MemberKind::Property, kGetPut, kStr},
    {u"PortOpen", kPortOpen, MemberKind::Property, kGetPut, kBool},
    {u"RThreshold", kRThreshold, MemberKind::Property, kGetPut, kI2},
    {u"RTSEnable", kRTSEnable, MemberKind::Property, kGetPut, kBool},
    {u"Settings", kSettings, MemberKind::Property, kGetPut, kStr},
    {u"SThreshold", kSThreshold, MemberKind::Property, kGetPut, kI2},
    {u"Start_EventForScript", kStartEventForScript, MemberKind::Method, 0, kVoid},
    {u"End_EventForScript", kEndEventForScript, MemberKind::Method, 0, kVoid},
    {u"GetEventParameters", kGetEventParameters, MemberKind::Method, 0, kVar},
    {u"ByteArrayToStr", kByteArrayToStr, MemberKind::Method, 0, kVar, kDataParam},
    {u"ByteArrayToHex", kByteArrayToHex, MemberKind::Method, 0, kVar, kDataParam},
    {u"StrToByteArray", kStrToByteArray, MemberKind::Method, 0, kVar, kDataParam},
    {u"HexToByteArray", kHexToByteArray, MemberKind::Method, 0, kVar, kDataParam},
};

constexpr MemberInfo kEvents[] = {
    {u"OnComm", kEventOnComm, MemberKind::Method, 0, kVoid},
};

}  // namespace

const InterfaceInfo kMSCommInterface{
    u"_MSComm", kMSCommIid,
    kInterfaceDual | kInterfaceHidden | kInterfaceNonExtensible | kInterfaceAutomation, kMembers};
const InterfaceInfo kMSCommEvents{
    u"__MSComm", kMSCommEventsIid,
    kInterfaceDispinterface | kInterfaceHidden | kInterfaceNonExtensible, kEvents};

}  // namespace controls
