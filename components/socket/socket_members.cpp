// The socket component's member tables: the one place its members are written.

#include "components/socket/socket_members.h"

namespace components::winsock::members {
namespace {

using namespace automation;  // NOLINT: a data table of this layer's types

constexpr std::uint8_t kGet = kAccessGet;
constexpr std::uint8_t kGetPut = kAccessGet | kAccessPut;
constexpr TypeDesc kI2 = Type(VarType::I2);
constexpr TypeDesc kI4 = Type(VarType::I4);
constexpr TypeDesc kStr = Type(VarType::String);
constexpr TypeDesc kBool = Type(VarType::Bool);
constexpr TypeDesc kVar = Type(VarType::Variant);

constexpr ParamInfo kHostAndPort[] = {{u"RemoteHost", kVar, true}, {u"RemotePort", kVar, true}};
constexpr ParamInfo kPortAndAddress[] = {{u"LocalPort", kVar, true}, {u"LocalIP", kVar, true}};
constexpr ParamInfo kRequestId[] = {{u"requestID", kVar, false, true}};
constexpr ParamInfo kData[] = {{u"data", kVar, false, true}};
// data (by reference), [type], [maxLen]
constexpr ParamInfo kRead[] = {
    {u"data", kVar, false, true}, {u"type", kVar, true}, {u"maxLen", kVar, true}};

constexpr MemberInfo kMembers[] = {
    {u"RemotePort", 1, MemberKind::Property, kGetPut, kI4},
    {u"LocalPort", 2, MemberKind::Property, kGetPut, kI4},
    {u"Protocol", 3, MemberKind::Property, kGetPut, kI4},
    {u"RemoteHostIP", 4, MemberKind::Property, kGet, kStr},
    {u"LocalHostName", 5, MemberKind::Property, kGet, kStr},
    {u"LocalIP", 6, MemberKind::Property, kGet, kStr},
    {u"SocketHandle", 7, MemberKind::Property, kGet, kI4},
    {u"State", 8, MemberKind::Property, kGet, kI2},
    {u"BytesReceived", 9, MemberKind::Property, kGet, kI4},
    {u"RemoteHost", 10, MemberKind::Property, kGetPut, kStr},
    {u"Connect", 64, MemberKind::Method, 0, kVoid, kHostAndPort},
    {u"Listen", 65, MemberKind::Method, 0, kVoid},
    {u"Accept", 66, MemberKind::Method, 0, kVoid, kRequestId},
    {u"SendData", 67, MemberKind::Method, 0, kVoid, kData},
    {u"GetData", 68, MemberKind::Method, 0, kVoid, kRead},
    {u"PeekData", 69, MemberKind::Method, 0, kVoid, kRead},
    {u"Close", 70, MemberKind::Method, 0, kVoid},
    {u"Bind", 71, MemberKind::Method, 0, kVoid, kPortAndAddress},
};

constexpr ParamInfo kConnectionRequest[] = {{u"requestID", kI4}};
constexpr ParamInfo kDataArrival[] = {{u"bytesTotal", kI4}};
constexpr ParamInfo kError[] = {{u"Number", kI2},
                                {u"Description", kStr, false, true},
                                {u"Scode", kI4},
                                {u"Source", kStr},
                                {u"HelpFile", kStr},
                                {u"HelpContext", kI4},
                                {u"CancelDisplay", kBool, false, true}};
constexpr ParamInfo kSendProgress[] = {{u"bytesSent", kI4}, {u"bytesRemaining", kI4}};

constexpr MemberInfo kEvents[] = {
    {u"Close", 1, MemberKind::Method, 0, kVoid},
    {u"Connect", 2, MemberKind::Method, 0, kVoid},
    {u"ConnectionRequest", 3, MemberKind::Method, 0, kVoid, kConnectionRequest},
    {u"DataArrival", 4, MemberKind::Method, 0, kVoid, kDataArrival},
    {u"Error", 5, MemberKind::Method, 0, kVoid, kError},
    {u"SendComplete", 6, MemberKind::Method, 0, kVoid},
    {u"SendProgress", 7, MemberKind::Method, 0, kVoid, kSendProgress},
};

constexpr InterfaceInfo kInterface{u"_SocketComponent", kInterfaceIid,
                                   kInterfaceDual | kInterfaceHidden, kMembers};
constexpr InterfaceInfo kEventInterface{u"__SocketComponent", kEventsIid,
                                        kInterfaceDispinterface | kInterfaceHidden, kEvents};

}  // namespace

const ClassInfo kClass{u"SocketComponent", kClsid, kClassCanCreate, &kInterface, &kEventInterface};

}  // namespace components::winsock::members
