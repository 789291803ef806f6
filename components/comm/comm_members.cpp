// The comm component's member tables: the one place its members are written.

#include "components/comm/comm_members.h"

namespace components::comm::members {
namespace {

using namespace automation;  // NOLINT: a data table of this layer's types

constexpr std::uint8_t kGet = kAccessGet;
constexpr std::uint8_t kPut = kAccessPut;
constexpr std::uint8_t kGetPut = kAccessGet | kAccessPut;
constexpr TypeDesc kI2 = Type(VarType::I2);
constexpr TypeDesc kI4 = Type(VarType::I4);
constexpr TypeDesc kStr = Type(VarType::String);
constexpr TypeDesc kBool = Type(VarType::Bool);
constexpr TypeDesc kVar = Type(VarType::Variant);

// The lines, the identity and the cause of the last event are reported, never written; Input is
// only read and Output only written.
constexpr MemberInfo kMembers[] = {
    {u"CDHolding", 1, MemberKind::Property, kGet, kBool},
    {u"CommID", 3, MemberKind::Property, kGet, kI4},
    {u"CommPort", 4, MemberKind::Property, kGetPut, kI2},
    {u"CTSHolding", 5, MemberKind::Property, kGet, kBool},
    {u"DSRHolding", 7, MemberKind::Property, kGet, kBool},
    {u"DTREnable", 9, MemberKind::Property, kGetPut, kBool},
    {u"Handshaking", 10, MemberKind::Property, kGetPut, kI4},
    {u"InBufferSize", 11, MemberKind::Property, kGetPut, kI2},
    {u"InBufferCount", 12, MemberKind::Property, kGetPut, kI2},
    {u"Break", 13, MemberKind::Property, kGetPut, kBool},
    {u"InputLen", 14, MemberKind::Property, kGetPut, kI2},
    {u"NullDiscard", 16, MemberKind::Property, kGetPut, kBool},
    {u"OutBufferSize", 17, MemberKind::Property, kGetPut, kI2},
    {u"OutBufferCount", 18, MemberKind::Property, kGetPut, kI2},
    {u"ParityReplace", 19, MemberKind::Property, kGetPut, kStr},
    {u"PortOpen", 20, MemberKind::Property, kGetPut, kBool},
    {u"RThreshold", 21, MemberKind::Property, kGetPut, kI2},
    {u"RTSEnable", 22, MemberKind::Property, kGetPut, kBool},
    {u"Settings", 23, MemberKind::Property, kGetPut, kStr},
    {u"SThreshold", 24, MemberKind::Property, kGetPut, kI2},
    {u"Output", 25, MemberKind::Property, kPut, kVar},
    {u"Input", 26, MemberKind::Property, kGet, kVar},
    {u"CommEvent", 27, MemberKind::Property, kGet, kI2},
    {u"EOFEnable", 28, MemberKind::Property, kGetPut, kBool},
    {u"InputMode", 29, MemberKind::Property, kGetPut, kI4},
};

constexpr MemberInfo kEvents[] = {
    {u"OnComm", 1, MemberKind::Method, 0, kVoid},
};

constexpr InterfaceInfo kInterface{u"_CommComponent", kInterfaceIid,
                                   kInterfaceDual | kInterfaceHidden, kMembers};
constexpr InterfaceInfo kEventInterface{u"__CommComponent", kEventsIid,
                                        kInterfaceDispinterface | kInterfaceHidden, kEvents};

}  // namespace

const ClassInfo kClass{u"CommComponent", kClsid, kClassCanCreate, &kInterface, &kEventInterface};

}  // namespace components::comm::members
