// The type information of the Winsock control.

#include "controls/identity.h"
#include "controls/type_library.h"

namespace controls {
namespace {

using namespace automation;  // NOLINT: a data table of this layer's types

constexpr std::uint8_t kGet = kAccessGet;
constexpr std::uint8_t kGetPut = kAccessGet | kAccessPut;
constexpr TypeDesc kI2 = Type(VarType::I2);
constexpr TypeDesc kI4 = Type(VarType::I4);
constexpr TypeDesc kStr = Type(VarType::String);
constexpr TypeDesc kBool = Type(VarType::Bool);
constexpr TypeDesc kVar = Type(VarType::Variant);

constexpr ParamInfo kAcceptParams[] = {{u"requestID", kI4}};
constexpr ParamInfo kBindParams[] = {{u"LocalPort", kVar, true}, {u"LocalIP", kVar, true}};
constexpr ParamInfo kConnectParams[] = {{u"RemoteHost", kVar, true}, {u"RemotePort", kVar, true}};
constexpr ParamInfo kGetDataParams[] = {
    {u"data", kVar, false, true}, {u"type2", kVar, true}, {u"maxLen", kVar, true}};
constexpr ParamInfo kSendDataParams[] = {{u"data", kVar}};
constexpr ParamInfo kDataParam[] = {{u"data", kVar}};

constexpr MemberInfo kMembers[] = {
    {u"BytesReceived", 0x68030009, MemberKind::Property, kGet, kI4},
    {u"LocalHostName", 0x68030008, MemberKind::Property, kGet, kStr},
    {u"LocalIP", 0x68030007, MemberKind::Property, kGet, kStr},
    {u"LocalPort", 0x68030006, MemberKind::Property, kGetPut, kI4},
    {u"Protocol", 0x68030005, MemberKind::Property, kGetPut, kI4},
    {u"RemoteHost", 0x68030004, MemberKind::Property, kGetPut, kStr},
    {u"RemoteHostIP", 0x68030003, MemberKind::Property, kGet, kStr},
    {u"RemotePort", 0x68030002, MemberKind::Property, kGetPut, kI4},
    {u"SocketHandle", 0x68030001, MemberKind::Property, kGet, kI4},
    {u"State", 0x68030000, MemberKind::Property, kGet, kI2},
    {u"Accept", 0x60030015, MemberKind::Method, 0, kVoid, kAcceptParams},
    {u"Bind", 0x60030016, MemberKind::Method, 0, kVoid, kBindParams},
    {u"Close2", 0x60030017, MemberKind::Method, 0, kVoid},
    {u"Connect", 0x60030018, MemberKind::Method, 0, kVoid, kConnectParams},
    {u"GetData", 0x60030019, MemberKind::Method, 0, kVoid, kGetDataParams},
    {u"Listen", 0x6003001A, MemberKind::Method, 0, kVoid},
    {u"PeekData", 0x6003001B, MemberKind::Method, 0, kVoid, kGetDataParams},
    {u"SendData", 0x6003001C, MemberKind::Method, 0, kVoid, kSendDataParams},
    {u"Start_EventForScript", 0x6003001D, MemberKind::Method, 0, kVoid},
    {u"End_EventForScript", 0x6003001E, MemberKind::Method, 0, kVoid},
    {u"GetEventParameters", 0x6003001F, MemberKind::Method, 0, kVar},
    {u"ByteArrayToStr", 0x60030020, MemberKind::Method, 0, kVar, kDataParam},
    {u"ByteArrayToHex", 0x60030021, MemberKind::Method, 0, kVar, kDataParam},
    {u"StrToByteArray", 0x60030022, MemberKind::Method, 0, kVar, kDataParam},
    {u"HexToByteArray", 0x60030023, MemberKind::Method, 0, kVar, kDataParam},
};

constexpr ParamInfo kConnectionRequestParams[] = {{u"requestID", kI4}};
constexpr ParamInfo kDataArrivalParams[] = {{u"bytesTotal", kI4}};
constexpr ParamInfo kErrorParams[] = {{u"Number", kI2},
                                      {u"Description", kStr, false, true},
                                      {u"Scode", kI4},
                                      {u"Source", kStr},
                                      {u"HelpFile", kStr},
                                      {u"HelpContext", kI4},
                                      {u"CancelDisplay", kBool, false, true}};
constexpr ParamInfo kSendProgressParams[] = {{u"bytesSent", kI4}, {u"bytesRemaining", kI4}};

constexpr MemberInfo kEvents[] = {
    {u"Close2", 1, MemberKind::Method, 0, kVoid},
    {u"Connect", 2, MemberKind::Method, 0, kVoid},
    {u"ConnectionRequest", 3, MemberKind::Method, 0, kVoid, kConnectionRequestParams},
    {u"DataArrival", 4, MemberKind::Method, 0, kVoid, kDataArrivalParams},
    {u"Error", 5, MemberKind::Method, 0, kVoid, kErrorParams},
    {u"SendComplete", 6, MemberKind::Method, 0, kVoid},
    {u"SendProgress", 7, MemberKind::Method, 0, kVoid, kSendProgressParams},
};

}  // namespace

const InterfaceInfo kWinsockInterface{
    u"_Winsock", kWinsockIid,
    kInterfaceDual | kInterfaceHidden | kInterfaceNonExtensible | kInterfaceAutomation, kMembers};
const InterfaceInfo kWinsockEvents{
    u"__Winsock", kWinsockEventsIid,
    kInterfaceDispinterface | kInterfaceHidden | kInterfaceNonExtensible, kEvents};

}  // namespace controls
