// The type information of the Winsock control.

#include "controls/identity.h"
#include "controls/type_library.h"
#include "controls/winsock_members.h"

namespace controls {
namespace {

using namespace automation;         // NOLINT: a data table of this layer's types
using namespace controls::winsock;  // NOLINT

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
    {u"BytesReceived", kBytesReceived, MemberKind::Property, kGet, kI4},
    {u"LocalHostName", kLocalHostName, MemberKind::Property, kGet, kStr},
    {u"LocalIP", kLocalIP, MemberKind::Property, kGet, kStr},
    {u"LocalPort", kLocalPort, MemberKind::Property, kGetPut, kI4},
    {u"Protocol", kProtocol, MemberKind::Property, kGetPut, kI4},
    {u"RemoteHost", kRemoteHost, MemberKind::Property, kGetPut, kStr},
    {u"RemoteHostIP", kRemoteHostIP, MemberKind::Property, kGet, kStr},
    {u"RemotePort", kRemotePort, MemberKind::Property, kGetPut, kI4},
    {u"SocketHandle", kSocketHandle, MemberKind::Property, kGet, kI4},
    {u"State", kState, MemberKind::Property, kGet, kI2},
    {u"Accept", kAccept, MemberKind::Method, 0, kVoid, kAcceptParams},
    {u"Bind", kBind, MemberKind::Method, 0, kVoid, kBindParams},
    {u"Close2", kClose2, MemberKind::Method, 0, kVoid},
    {u"Connect", kConnect, MemberKind::Method, 0, kVoid, kConnectParams},
    {u"GetData", kGetData, MemberKind::Method, 0, kVoid, kGetDataParams},
    {u"Listen", kListen, MemberKind::Method, 0, kVoid},
    {u"PeekData", kPeekData, MemberKind::Method, 0, kVoid, kGetDataParams},
    {u"SendData", kSendData, MemberKind::Method, 0, kVoid, kSendDataParams},
    {u"Start_EventForScript", kStartEventForScript, MemberKind::Method, 0, kVoid},
    {u"End_EventForScript", kEndEventForScript, MemberKind::Method, 0, kVoid},
    {u"GetEventParameters", kGetEventParameters, MemberKind::Method, 0, kVar},
    {u"ByteArrayToStr", kByteArrayToStr, MemberKind::Method, 0, kVar, kDataParam},
    {u"ByteArrayToHex", kByteArrayToHex, MemberKind::Method, 0, kVar, kDataParam},
    {u"StrToByteArray", kStrToByteArray, MemberKind::Method, 0, kVar, kDataParam},
    {u"HexToByteArray", kHexToByteArray, MemberKind::Method, 0, kVar, kDataParam},
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
    {u"Close2", kEventClose2, MemberKind::Method, 0, kVoid},
    {u"Connect", kEventConnect, MemberKind::Method, 0, kVoid},
    {u"ConnectionRequest", kEventConnectionRequest, MemberKind::Method, 0, kVoid,
     kConnectionRequestParams},
    {u"DataArrival", kEventDataArrival, MemberKind::Method, 0, kVoid, kDataArrivalParams},
    {u"Error", kEventError, MemberKind::Method, 0, kVoid, kErrorParams},
    {u"SendComplete", kEventSendComplete, MemberKind::Method, 0, kVoid},
    {u"SendProgress", kEventSendProgress, MemberKind::Method, 0, kVoid, kSendProgressParams},
};

}  // namespace

const InterfaceInfo kWinsockInterface{
    u"_Winsock", kWinsockIid,
    kInterfaceDual | kInterfaceHidden | kInterfaceNonExtensible | kInterfaceAutomation, kMembers};
const InterfaceInfo kWinsockEvents{
    u"__Winsock", kWinsockEventsIid,
    kInterfaceDispinterface | kInterfaceHidden | kInterfaceNonExtensible, kEvents};

}  // namespace controls
